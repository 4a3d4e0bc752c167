#include <gtest/gtest.h>

#include <vector>

#include "base/array.h"
#include "base/str.h"

namespace {

// Records its own destruction so that ownership can be checked.
class Tracked : public CObject {
 public:
  Tracked(int id, std::vector<int>* destroyed) : id(id), destroyed_(destroyed) {}
  ~Tracked() override { destroyed_->push_back(id); }
  int id;

 private:
  std::vector<int>* destroyed_;
};

TEST(CArrayTest, GrowthKeepsOrder) {
  std::vector<int> destroyed;
  {
    CArray array;
    EXPECT_EQ(array.Count(), 0);
    // Checked after each of these adds: across many a growth of the slots.
    const int checkpoints[] = {1, 16, 17, 48, 49, 113, 1000};
    int added = 0;
    for (const int checkpoint : checkpoints) {
      SCOPED_TRACE(testing::Message() << checkpoint << " adds");
      while (added < checkpoint)
        ASSERT_EQ(array.Add(new Tracked(added++, &destroyed)), 1);
      EXPECT_EQ(array.Count(), checkpoint);
      for (int32_t i = 0; i < array.Count(); ++i) {
        ASSERT_EQ(static_cast<Tracked*>(array.At(i))->id, i);
      }
    }
    EXPECT_TRUE(destroyed.empty());
  }
  EXPECT_EQ(destroyed.size(), 1000u) << "the array deletes every item it owns";
}

TEST(CArrayTest, ArrayOfArraysReleasesEverything) {
  std::vector<int> destroyed;
  auto* records = new CArray();
  for (int r = 0; r < 3; ++r) {
    auto* record = new CArray();
    for (int f = 0; f < 20; ++f)
      record->Add(new Tracked(r * 100 + f, &destroyed));
    ASSERT_EQ(records->Add(record), 1);
  }
  auto* strings = new CArray();
  strings->Add(new CString(WSTR("kept in a nested array")));
  records->Add(strings);
  delete static_cast<CObject*>(records);
  EXPECT_EQ(destroyed.size(), 60u);
}

}  // namespace

// The settings keys as rows of one table: the file's element name, what the
// value is, where it lives, its default, the range the window's boxes show,
// and when it is written. The store reads and writes the file from the rows,
// and `brelvix-cli settings` lists from them, so a key is spelled once.
//
// The framework's rows (FrameworkSettingKeys) belong to CCommConfig; the
// product's follow them in the file and are kept in convert, beside the
// fields of CAppParameter they name.
#pragma once

#include <cstdint>
#include <limits>
#include <span>

#include "base/str.h"
#include "base/wide.h"

class CCommConfig;

enum class SettingType : uint8_t {
  kInt,     // decimal integer
  kText,    // text, taken into the ANSI code page when read
  kName,    // folder or file name, kept exactly as written (CString::AssignName)
  kColors,  // the colour list, an element of its own with one child a slot
};

struct SettingKey {
  const WideChar* name = nullptr;
  SettingType type = SettingType::kInt;
  // The value in the settings object the table is walked with; the one that
  // matches the type is set (neither for kColors).
  int32_t& (*integer)(CCommConfig&) = nullptr;
  CString& (*text)(CCommConfig&) = nullptr;
  int32_t fallback = 0;                    // kInt: the default
  const WideChar* textFallback = nullptr;  // kText, kName: the default; null: empty
  bool currentFolderFallback = false;      // the default is the current directory
  // The values a selection box shows; a value read is kept as it is, and
  // only the window and the command line clamp it.
  int32_t low = std::numeric_limits<int32_t>::min();
  int32_t high = std::numeric_limits<int32_t>::max();
  // Null: always written; else written only when this says so.
  bool (*written)(CCommConfig&, const SettingKey&) = nullptr;
  bool listed = true;  // shown by `brelvix-cli settings`

  constexpr SettingKey Range(int32_t from, int32_t to) const {
    SettingKey key = *this;
    key.low = from;
    key.high = to;
    return key;
  }
  constexpr SettingKey WrittenWhen(bool (*rule)(CCommConfig&, const SettingKey&)) const {
    SettingKey key = *this;
    key.written = rule;
    return key;
  }
  constexpr SettingKey Unlisted() const {
    SettingKey key = *this;
    key.listed = false;
    return key;
  }
  int32_t Clamp(int32_t value) const { return value < low ? low : (value > high ? high : value); }
};

using SettingKeys = std::span<const SettingKey>;

// The framework's keys, in the order the file holds them.
SettingKeys FrameworkSettingKeys();

// A write rule: an integer other than its default, a text that is not empty.
bool WrittenWhenSet(CCommConfig& config, const SettingKey& key);

// The field a row names, reached from the settings object it is walked with:
// Field is a pointer to a member of CCommConfig or of a class derived from it
// (the table is only ever walked with an object of that class); Index picks
// an element of an array member.
template <typename Member>
struct SettingMemberOf;
template <typename Owner, typename Value>
struct SettingMemberOf<Value Owner::*> {
  using Class = Owner;
};

template <auto Field, int Index = -1>
decltype(auto) SettingField(CCommConfig& config) {
  auto& field = static_cast<typename SettingMemberOf<decltype(Field)>::Class&>(config).*Field;
  if constexpr (Index < 0) {
    return (field);
  } else {
    return (field[Index]);
  }
}

template <auto Field, int Index = -1>
constexpr SettingKey IntKey(const WideChar* name, int32_t fallback) {
  SettingKey key;
  key.name = name;
  key.integer = &SettingField<Field, Index>;
  key.fallback = fallback;
  return key;
}

template <auto Field, int Index = -1>
constexpr SettingKey TextKey(const WideChar* name, const WideChar* fallback) {
  SettingKey key;
  key.name = name;
  key.type = SettingType::kText;
  key.text = &SettingField<Field, Index>;
  key.textFallback = fallback;
  return key;
}

template <auto Field, int Index = -1>
constexpr SettingKey NameKey(const WideChar* name, const WideChar* fallback = nullptr) {
  SettingKey key = TextKey<Field, Index>(name, fallback);
  key.type = SettingType::kName;
  return key;
}

// A folder whose default is the current directory at start.
template <auto Field>
constexpr SettingKey FolderKey(const WideChar* name) {
  SettingKey key = NameKey<Field>(name);
  key.currentFolderFallback = true;
  return key;
}

// The colour slots, each a child "color" with its index, text and background.
constexpr SettingKey ColorListKey(const WideChar* name) {
  SettingKey key;
  key.name = name;
  key.type = SettingType::kColors;
  return key;
}

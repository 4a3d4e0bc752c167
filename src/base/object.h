#pragma once

// Root of the owned-object hierarchy: containers delete their items through
// this virtual destructor.
class CObject {
 public:
  CObject() = default;
  CObject(const CObject&) = delete;
  CObject& operator=(const CObject&) = delete;
  virtual ~CObject() = default;
};

#pragma once

// The error thrown when stored JSON does not have the shape a type expects (a wrong type or an unknown
// value). Types with their own coding errors derive theirs from it.

#include <stdexcept>

namespace ferrywise {

class DecodingError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace ferrywise

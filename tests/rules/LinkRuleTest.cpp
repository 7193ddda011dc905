#include "ferrywise/rules/LinkRule.hpp"

#include <gtest/gtest.h>

namespace ferrywise {
namespace {}  // namespace
}  // namespace ferrywise

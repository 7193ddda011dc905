#include "ferrywise/rules/LinkRuleMatcher.hpp"

#include <gtest/gtest.h>

namespace ferrywise {
namespace {}  // namespace
}  // namespace ferrywise

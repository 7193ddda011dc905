#include "ferrywise/rules/LinkRuleEngine.hpp"

#include <gtest/gtest.h>

namespace ferrywise {
namespace {}  // namespace
}  // namespace ferrywise

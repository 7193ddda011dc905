#include "ferrywise/link/RoutingMode.hpp"

#include <gtest/gtest.h>

namespace ferrywise {
namespace {}  // namespace
}  // namespace ferrywise

#include "ferrywise/link/PassthroughTargetResolver.hpp"

#include <gtest/gtest.h>

namespace ferrywise {
namespace {}  // namespace
}  // namespace ferrywise

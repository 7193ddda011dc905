#pragma once

namespace ferrywise::testing {}  // namespace ferrywise::testing

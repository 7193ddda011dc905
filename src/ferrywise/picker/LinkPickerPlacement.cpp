#include "ferrywise/picker/LinkPickerPlacement.hpp"

#include "ferrywise/picker/RingPickerGeometry.hpp"

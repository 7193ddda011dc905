#include "ferrywise/picker/LinkPickerModel.hpp"

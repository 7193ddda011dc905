#include "ferrywise/settings/GeneralPreferences.hpp"

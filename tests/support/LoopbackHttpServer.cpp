#include "support/LoopbackHttpServer.hpp"

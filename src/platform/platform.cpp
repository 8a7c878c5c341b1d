// The installed backend's entry points.

#include "platform/platform.h"

Platform platform;

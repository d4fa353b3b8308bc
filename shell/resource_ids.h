// The resource ids are resources/resource_ids.h, which the resource script
// includes too; this header forwards to it for the emulation's tests.
#pragma once

#include "resources/resource_ids.h"

// The Win32 subset of the emulated machine: one header per Win32 area.
#pragma once

#include "platform/posix/win_types.h"
#include "platform/posix/api_base.h"
#include "platform/posix/api_files.h"
#include "platform/posix/api_profile.h"
#include "platform/posix/api_registry.h"
#include "platform/posix/api_resources.h"
#include "platform/posix/api_windows.h"
#include "platform/posix/api_display.h"
#include "platform/posix/api_shell.h"

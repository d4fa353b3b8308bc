// The Win32 subset of the emulated machine: one header per Win32 area.
#pragma once

#include "platform/posix/win_types.h"
#include "platform/posix/kernel/api_base.h"
#include "platform/posix/kernel/api_files.h"
#include "platform/posix/kernel/api_profile.h"
#include "platform/posix/kernel/api_resources.h"
#include "platform/posix/registry/api_registry.h"
#include "platform/posix/user/api_resources.h"
#include "platform/posix/user/api_windows.h"
#include "platform/posix/user/api_text.h"
#include "platform/posix/user/api_display.h"
#include "platform/posix/shell/api_shell.h"

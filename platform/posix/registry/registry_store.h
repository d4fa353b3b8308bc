// The store behind the emulated machine's registry calls (api_registry.h):
// the key tree of the open machine, kept in registry.reg in the machine
// folder as REGEDIT4 text (see docs/architecture.md, "Registry").
//
// For the host program and the tests; the program's code never includes it.
#pragma once

#include <string>

namespace registry_store {

// The name under HKEY_USERS of the user whose key HKEY_CURRENT_USER shows.
// It is not ".Default": that is the key of the logon desktop and of new
// users, a different key.
extern const char kCurrentUser[];

// The problem with the open machine's registry file, "" when there is none.
// A registry file that cannot be read (damaged by hand, say) is never
// replaced or emptied: every registry call then fails with ERROR_BADDB and
// this text names the file, the line and what is wrong with it. The first
// failing call also prints it to stderr. Loads the registry if needed.
const std::string& LoadError();

} // namespace registry_store

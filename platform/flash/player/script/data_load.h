// The loading methods XML and LoadVars share: load, sendAndLoad, send, getBytesLoaded,
// getBytesTotal and addRequestHeader. A load resets `loaded` and the byte counts, queues the file
// on the player's load queue and, when it completes, sets `_bytesLoaded`/`_bytesTotal` and calls
// the object's onData with the file's text (undefined when it could not be read); the classes'
// own onData then parses the text and calls onLoad.
#pragma once

#include "platform/flash/player/script/object.h"

namespace flash {

class Realm;

// Puts the shared methods and the default contentType on a class's prototype.
void InstallDataLoadMethods(Realm& realm, ScriptObject* proto);

}  // namespace flash

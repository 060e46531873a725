// The loading methods XML and LoadVars share: load, sendAndLoad, send, getBytesLoaded,
// getBytesTotal and addRequestHeader. A load resets `loaded` and the byte counts, queues the file
// on the player's load queue and, when it completes, sets `_bytesLoaded`/`_bytesTotal` and calls
// the object's onData with the file's text (undefined when it could not be read; an address on
// the network first gets onHTTPStatus(0), as for a server that cannot be reached). The default
// onData reads the text into the object (decode or parseXML), sets `loaded` and calls
// onLoad(true), or calls onLoad(false) for a failed load.
#pragma once

#include <string>

#include "platform/flash/player/script/object.h"

namespace flash {

class ActionRunner;
class Realm;

// What the default onData calls to read the text: "decode" (variables), "parseXML", or
// "parse" (style sheets, whose answer tells whether the text loaded: onLoad(false) when not).
enum class DataFormat { kVariables, kXml, kStyleSheet };

// Puts the shared methods, the default onData and onLoad and the default contentType on a
// class's prototype.
void InstallDataLoadMethods(Realm& realm, ScriptObject* proto, DataFormat format);
// The text of a loaded file as scripts see it, read in the system's codepage when a script has
// set System.useCodepage.
std::string LoadedText(ActionRunner& vm, const std::string& bytes);

// Puts only load and the default onData and onLoad on a class's prototype.
void InstallLoadMethod(Realm& realm, ScriptObject* proto, DataFormat format);

}  // namespace flash

// The script side of video objects and of the streams attached to them.
#pragma once

#include <memory>

namespace flash {

class DisplayObject;
class Player;
class ScriptObject;
struct VideoFeed;

// The script object of a video object on the display list, made on first use (its prototype is
// Video.prototype). Null for any other display object.
ScriptObject* VideoObjectOf(Player& player, DisplayObject* video);

// The video object a script object stands for while it is on the display list; null for any
// other object.
std::shared_ptr<DisplayObject> VideoOfScriptObject(const ScriptObject* object);

// What a NetStream object plays (shared with the video objects it is attached to); null for any
// other object.
std::shared_ptr<VideoFeed> FeedOfStream(ScriptObject* stream);

}  // namespace flash

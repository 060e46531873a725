// Pictures of cached display objects kept from one paint to the next. An object drawn as a cached
// bitmap (cacheAsBitmap set, or filters) is drawn into a layer of its own; its picture (after the
// filters) is kept with a fingerprint of everything that shapes its pixels, and a later paint that
// finds the same fingerprint composites the picture again instead of drawing the object: at the
// same place, or moved by whole pixels when nothing of it was cut off at the layer's edges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/flash/format/types.h"
#include "platform/flash/renderer/renderer.h"

namespace flash {

class DisplayObject;
class MovieDef;

// What pictures are kept (for all players), and how often they were used or drawn.
struct KeptPictureStats {
  size_t pictures = 0, bytes = 0;
  uint64_t reused = 0;  // paints of an object that composited its kept picture
  uint64_t drawn = 0;   // paints of a cached object that drew it (and kept its picture)
};
KeptPictureStats KeptPictures();
// Drops the pictures kept for the objects of `owner` (the player), or every one without it: the
// next paint draws those objects again.
void DropKeptPictures(const void* owner = nullptr);
// The most bytes the kept pictures hold together; beyond it, those used least recently go.
// Returns the budget before.
size_t SetKeptPictureBudget(size_t bytes);

// What a paint draws objects with besides the objects themselves.
struct PaintSettings {
  Matrix view;  // level 0's stage to the target (script masks and scale grids read it)
  Quality quality = Quality::High;
  double filter_scale = 1;
  // The field that shows its caret or selection, and where.
  const DisplayObject* focus = nullptr;
  size_t caret = 0, anchor = 0;
};

// The fingerprint of an object drawn into a cached layer under `m` and `cx`, with the bitmap
// fills of `movie`: the object's content and everything inside it that shapes its pixels, walked
// without drawing.
struct Fingerprint {
  uint64_t hash = 0;
  int64_t x = 0, y = 0;  // the whole pixels of the object's placement (the fractions are hashed)
  // Nothing in it depends on where it lies on the target (a displacement map, a script mask), so
  // its picture may move by whole pixels.
  bool movable = true;
  // Something inside draws in the alpha or erase mode straight onto the nearest layer: without a
  // layer of its own, the object shows what it erases below it.
  bool erases = false;
  // Objects whose identity the hash holds (characters, bitmaps, movies, streams): while they
  // live, no other object takes their address.
  std::vector<std::weak_ptr<const void>> held;
  // Cached objects inside it: their kept pictures stay while its picture is used.
  std::vector<const DisplayObject*> cached_inside;
};
void TakeFingerprint(const DisplayObject& object, const Matrix& m, const ColorTransform& cx,
                     const MovieDef* movie, const PaintSettings& settings, Fingerprint& out);

// The kept pictures of one paint of one player: looked up as the objects are drawn, and the new
// ones kept once the frame is finished.
class PaintPictures {
 public:
  explicit PaintPictures(const void* owner);
  ~PaintPictures();
  PaintPictures(const PaintPictures&) = delete;
  PaintPictures& operator=(const PaintPictures&) = delete;

  // The picture kept for `object` that `print` and the layer `box` it would be drawn in allow,
  // and how far it moves; null when none does (the object is then drawn).
  std::shared_ptr<const KeptLayer> Find(const DisplayObject& object, const Fingerprint& print,
                                        const LayerBox& box, int& dx, int& dy);
  // Whether a picture of `object` was drawn or used by the owner's last paint (it is likely to
  // be used again).
  bool Has(const DisplayObject& object) const;
  // A picture to draw `object` into (on the storage of its last picture, which it replaces), and
  // keep when Finish comes and it was made.
  std::shared_ptr<KeptLayer> Add(const DisplayObject& object, Fingerprint&& print);
  // Call once the renderer finished the frame: keeps the new pictures and drops those of the
  // owner's objects this paint did not draw (gone from the display list, no longer cached).
  void Finish();

 private:
  const void* owner_;
  uint64_t serial_;
  struct New {
    std::weak_ptr<const DisplayObject> object;
    const DisplayObject* address;
    Fingerprint print;
    std::shared_ptr<KeptLayer> picture;
  };
  std::vector<New> new_;
  bool finished_ = false;
};

}  // namespace flash

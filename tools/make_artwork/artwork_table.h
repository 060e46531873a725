#pragma once

#include "tools/make_artwork/artwork.h"

namespace artwork {

struct Family {
  const char* title;
  void (*draw)(Sink&);
};

extern const Family kFamilies[];
extern const int kFamilyCount;

}  // namespace artwork

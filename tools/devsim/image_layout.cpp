#include "image_layout.h"

#include "dive_memory.h"

namespace orv::devsim {

void PrepareNewImage(MemoryImage& image) {
  // Erased flash is already what a new dive computer holds in its dive-site
  // blocks (every slot empty), so nothing to do for them.
  // The dive-log memory starts with the sample logbook (dive_memory.h).
  WriteDiveMemory(image, SampleDives());
}

}  // namespace orv::devsim

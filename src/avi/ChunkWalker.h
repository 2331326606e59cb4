#pragma once

#include "base/ByteOrder.h"
#include "base/Failure.h"

#include <cstdint>

namespace kestrel {

struct ConversionContext;

// Converts the chunk that starts at the source's position, which lies
// inside a list of type `parentType` ending at source offset `parentEnd`
// (0 and the file's size at the top). `parentOpen`: the list is the open
// end of a recording cut short or never finalized (see ConvertChunk).
Status ConvertChunk(ConversionContext& context, FourCC parentType, uint64_t parentEnd, bool parentOpen);

// Converts the chunks from the source's position up to `end`, the children
// of a list of type `listType`.
Status ConvertChildren(ConversionContext& context, FourCC listType, uint64_t end, bool open = false);

// Converts the whole source file: its RIFF chunk, and the OpenDML RIFF
// chunks that may follow it.
Status ConvertRiffFile(ConversionContext& context);

}  // namespace kestrel

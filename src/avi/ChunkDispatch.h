#pragma once

#include "base/ByteOrder.h"
#include "base/Failure.h"

#include <memory>

namespace kestrel {

class ChunkHandler;
struct ConversionContext;

// The handler of a chunk `id` inside a list of type `parentType` (0: the
// file itself), given the parts of the conversion it touches; or nothing,
// with `refusal` saying why the chunk is refused there.
std::unique_ptr<ChunkHandler> CreateHandler(ConversionContext& context, FourCC id, FourCC parentType, Status& refusal);

}  // namespace kestrel

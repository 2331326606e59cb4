#pragma once

#include "ui/PreviewFrames.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace kestrel::fuzz {

// One fuzz input through the window's preview, without widgets: its first
// byte picks the transform (low bits) and the frame shown (0 to 3, bits 3
// and 4), the rest is the AVI file, written to `work`/preview.avi; its frame
// count is read as a batch reads it, then the frame as it is and as the
// conversion writes it (LoadPreviewFrames). The file is removed afterwards.
ui::PreviewFrames PreviewInput(const uint8_t* data, size_t size, const std::filesystem::path& work);

// Whether the preview ends cleanly: both pictures shown, or a message.
bool PreviewEndsCleanly(const ui::PreviewFrames& frames);

}  // namespace kestrel::fuzz

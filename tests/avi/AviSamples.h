#pragma once

// Small AVI files for the container tests. They carry no video frames, so
// they exercise the container rewriting without the transcoder.

#include "support/RiffBuilder.h"

namespace kestrel::test {

inline Bytes VideoStreamList(const VideoFormatFields& format = {}, const StreamHeaderFields& header = {})
{
    return List("strl", {StreamHeader(header), VideoFormat(format)});
}

// The header of a PCM audio stream.
inline StreamHeaderFields AudioStreamHeader()
{
    StreamHeaderFields audio;
    audio.type = "auds";
    audio.handler = "\x01\0\0\0";
    audio.right = audio.bottom = 0;
    return audio;
}

inline Bytes AudioStreamList()
{
    return List("strl", {StreamHeader(AudioStreamHeader()), AudioFormat(), Chunk("strn", {'m', 'i', 'c', 0})});
}

inline Bytes Payload(size_t n, uint8_t seed)
{
    Bytes bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<uint8_t>(seed + i * 7);
    return bytes;
}

// hdrl with a video and an audio stream, JUNK, INFO, a movi list of audio
// chunks (one of odd size) and a legacy index.
inline Bytes HeaderOnlyAvi(const MainHeaderFields& main = {}, const VideoFormatFields& format = {})
{
    MainHeaderFields mainFields = main;
    mainFields.streams = 2;
    return Riff("AVI ", {
                            List("hdrl", {MainHeader(mainFields), VideoStreamList(format), AudioStreamList()}),
                            Chunk("JUNK", Payload(10, 0xAB)),
                            List("INFO", {Chunk("ISFT", {'t', 'e', 's', 't', 0})}),
                            List("movi", {Chunk("01wb", Payload(100, 1)), Chunk("01wb", Payload(33, 2))}),
                            Chunk("idx1", Payload(32, 3)),
                        });
}

}  // namespace kestrel::test

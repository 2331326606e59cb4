#include "support/RiffBuilder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace kestrel::test {

void PutLe16(Bytes& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutLe32(Bytes& out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

uint32_t GetLe32(const Bytes& in, size_t offset)
{
    return in.at(offset) | in.at(offset + 1) << 8 | in.at(offset + 2) << 16 | uint32_t(in.at(offset + 3)) << 24;
}

uint16_t GetLe16(const Bytes& in, size_t offset)
{
    return static_cast<uint16_t>(in.at(offset) | in.at(offset + 1) << 8);
}

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

static void PutFourCC(Bytes& out, std::string_view fourcc)
{
    for (size_t i = 0; i < 4; ++i)
        out.push_back(i < fourcc.size() ? static_cast<uint8_t>(fourcc[i]) : ' ');
}

Bytes ChunkWithSize(std::string_view fourcc, uint32_t declaredSize, const Bytes& data)
{
    Bytes out;
    PutFourCC(out, fourcc);
    PutLe32(out, declaredSize);
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() % 2)
        out.push_back(0);
    return out;
}

Bytes Chunk(std::string_view fourcc, const Bytes& data)
{
    return ChunkWithSize(fourcc, static_cast<uint32_t>(data.size()), data);
}

static Bytes ListLike(std::string_view id, std::string_view listType, std::initializer_list<Bytes> children)
{
    Bytes body;
    PutFourCC(body, listType);
    for (const Bytes& child : children)
        body.insert(body.end(), child.begin(), child.end());
    return Chunk(id, body);
}

Bytes List(std::string_view listType, std::initializer_list<Bytes> children)
{
    return ListLike("LIST", listType, children);
}

Bytes Riff(std::string_view formType, std::initializer_list<Bytes> children)
{
    return ListLike("RIFF", formType, children);
}

Bytes MainHeader(const MainHeaderFields& f)
{
    Bytes d;
    PutLe32(d, f.microSecPerFrame);
    PutLe32(d, 1000000);  // dwMaxBytesPerSec
    PutLe32(d, 0);        // dwPaddingGranularity
    PutLe32(d, f.flags);
    PutLe32(d, f.totalFrames);
    PutLe32(d, 0);  // dwInitialFrames
    PutLe32(d, f.streams);
    PutLe32(d, f.suggestedBufferSize);
    PutLe32(d, f.width);
    PutLe32(d, f.height);
    for (int i = 0; i < 4; ++i)
        PutLe32(d, 0x11111111u * (i + 1));  // dwReserved, recognisable
    return Chunk("avih", d);
}

Bytes StreamHeader(const StreamHeaderFields& f)
{
    Bytes d;
    PutFourCC(d, f.type);
    PutFourCC(d, f.handler);
    PutLe32(d, 0);       // dwFlags
    PutLe16(d, 0);       // wPriority
    PutLe16(d, 0);       // wLanguage
    PutLe32(d, 0);       // dwInitialFrames
    PutLe32(d, 1);       // dwScale
    PutLe32(d, f.rate);  // dwRate
    PutLe32(d, 0);       // dwStart
    PutLe32(d, f.length);
    PutLe32(d, 4096);        // dwSuggestedBufferSize
    PutLe32(d, 0xFFFFFFFF);  // dwQuality
    PutLe32(d, 0);           // dwSampleSize
    PutLe16(d, 0);           // rcFrame left
    PutLe16(d, 0);           // rcFrame top
    PutLe16(d, f.right);
    PutLe16(d, f.bottom);
    return Chunk("strh", d);
}

Bytes VideoFormat(const VideoFormatFields& f)
{
    Bytes d;
    PutLe32(d, 40);
    PutLe32(d, static_cast<uint32_t>(f.width));
    PutLe32(d, static_cast<uint32_t>(f.height));
    PutLe16(d, 1);
    PutLe16(d, f.bitCount);
    PutFourCC(d, f.compression);
    PutLe32(d, static_cast<uint32_t>(uint64_t(uint32_t(f.width)) * uint32_t(f.height) * 3));
    PutLe32(d, 0);
    PutLe32(d, 0);
    PutLe32(d, 0);
    PutLe32(d, 0);
    return Chunk("strf", d);
}

Bytes AudioFormat()
{
    Bytes d;
    PutLe16(d, 1);      // wFormatTag PCM
    PutLe16(d, 1);      // nChannels
    PutLe32(d, 8000);   // nSamplesPerSec
    PutLe32(d, 16000);  // nAvgBytesPerSec
    PutLe16(d, 2);      // nBlockAlign
    PutLe16(d, 16);     // wBitsPerSample
    return Chunk("strf", d);
}

void WriteFile(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const ChunkNode* ChunkNode::Find(std::string_view wantedId, std::string_view wantedType) const
{
    for (const ChunkNode& child : children) {
        if (child.id == wantedId && (wantedType.empty() || child.listType == wantedType))
            return &child;
        if (const ChunkNode* found = child.Find(wantedId, wantedType))
            return found;
    }
    return nullptr;
}

static std::string FourCCAt(const Bytes& file, size_t offset)
{
    return std::string(file.begin() + static_cast<ptrdiff_t>(offset),
                       file.begin() + static_cast<ptrdiff_t>(offset) + 4);
}

// Parses the chunk at `offset`, which must end by `end`; returns the offset behind it.
static size_t ParseChunk(const Bytes& file, size_t offset, size_t end, ChunkNode& node)
{
    node.offset = offset;
    node.id = FourCCAt(file, offset);
    node.size = GetLe32(file, offset + 4);
    const size_t dataEnd = offset + 8 + node.size;
    EXPECT_LE(dataEnd, end) << "chunk " << node.id << " at " << offset << " runs past its parent";
    if (dataEnd > end)
        return end;
    if (node.id == "RIFF" || node.id == "LIST") {
        node.listType = FourCCAt(file, offset + 8);
        size_t child = offset + 12;
        while (child + 8 <= dataEnd) {
            node.children.emplace_back();
            child = ParseChunk(file, child, dataEnd, node.children.back());
        }
        EXPECT_EQ(child, dataEnd + (node.size % 2))
            << "children of " << node.id << " " << node.listType << " at " << offset << " do not fill it exactly";
    } else {
        node.data.assign(file.begin() + static_cast<ptrdiff_t>(offset + 8),
                         file.begin() + static_cast<ptrdiff_t>(dataEnd));
    }
    return dataEnd + (node.size % 2);
}

ChunkNode ParseRiffFile(const Bytes& file)
{
    ChunkNode root;
    if (file.size() < 12) {
        ADD_FAILURE() << "file of " << file.size() << " bytes is too short for a RIFF header";
        return root;
    }
    const size_t end = ParseChunk(file, 0, file.size(), root);
    EXPECT_EQ(end, file.size()) << "bytes behind the RIFF chunk";
    return root;
}

std::vector<ChunkNode> ParseRiffChunks(const Bytes& file)
{
    std::vector<ChunkNode> chunks;
    for (size_t at = 0; at + 8 <= file.size();)
        at = ParseChunk(file, at, file.size(), chunks.emplace_back());
    return chunks;
}

static void Dump(const ChunkNode& node, std::string& out)
{
    if (!out.empty())
        out += " / ";
    out += node.id;
    if (!node.listType.empty()) {
        out += " " + node.listType;
        for (const ChunkNode& child : node.children)
            Dump(child, out);
        out += " .";
    } else {
        out += " " + std::to_string(node.size);
    }
}

std::string DumpTree(const ChunkNode& root)
{
    std::string out;
    Dump(root, out);
    return out;
}

}  // namespace kestrel::test

#include "io/catalog.h"

#include <utility>

namespace vimsa {
namespace {

constexpr ChunkTag kElementTag = "ELEM";
constexpr ChunkTag kArchiveTag = "PAK ";

}  // namespace

// --- CatalogEntry ---

bool CatalogEntry::Read(ChunkStream& stream, CatalogEntry& entry) {
    std::string text;
    stream.ReadString(text);
    const uint32_t first = stream.ReadU32();
    const uint32_t second = stream.ReadU32();
    if (stream.IsBad()) return false;
    // Stored values are kept as they are: an archive entry at offset 0 must
    // keep its offset.
    entry.text = std::move(text);
    entry.first = first;
    entry.second = second;
    return true;
}

bool CatalogEntry::Write(ChunkStream& stream) const {
    return stream.WriteString(text) && stream.WriteU32(first) && stream.WriteU32(second);
}

// --- CatalogBase ---

CatalogBase::CatalogBase(ChunkTag directoryTag, std::string fileName)
    : tag_(directoryTag), fileName_(std::move(fileName)) {}

Result CatalogBase::ReadDirectory() {
    ChunkHeader directory;
    OpenChunk(directory);
    ReadU16();
    if (IsBad()) return Error();
    if (!(directory.tag == tag_)) return Fail(ERR_CATALOG_BAD_RECORD);
    const uint32_t count = ReadU32();
    if (IsBad() || count == 0) return Error();
    ForEachChild(*this, directory, [this](const ChunkHeader& child, uint16_t) {
        if (child.tag == kElementTag) ReadElement();
    });
    return Error();
}

Result CatalogBase::WriteDirectory() {
    const uint32_t start = Tell();
    BeginChunk(tag_);
    WriteU16(1);
    WriteU32(static_cast<uint32_t>(Count()));
    WriteElements();
    EndChunk(start);
    return IsBad() ? Error() : RESULT_OK;
}

uint32_t CatalogBase::BeginElement() {
    const uint32_t start = Tell();
    BeginChunk(kElementTag);
    WriteU16(1);
    return start;
}

Result CatalogBase::LoadFile(const char* path) {
    const Result opened = OpenRead(path);
    if (Failed(opened)) return opened;
    const Result read = ReadDirectory();
    CloseRead();
    return Failed(read) ? read : Error();
}

Result CatalogBase::SaveFile(const char* path) {
    const Result opened = OpenWrite(path);
    if (Failed(opened)) return opened;
    const Result written = WriteDirectory();
    const Result closed = CloseWrite();
    return Failed(written) ? written : closed;
}

// --- IdDatabase ---

IdDatabase::IdDatabase(std::string fileName) : CatalogBase("ID  ", std::move(fileName)) {}

void IdDatabase::ReadElement() {
    const uint32_t id = ReadU32();
    CatalogEntry entry;
    if (CatalogEntry::Read(*this, entry)) entries_[id] = std::move(entry);
}

void IdDatabase::WriteElements() {
    for (const auto& [id, entry] : entries_) {
        if (IsBad()) return;
        const uint32_t start = BeginElement();
        WriteU32(id);
        entry.Write(*this);
        EndChunk(start);
    }
}

bool IdDatabase::LookupName(uint32_t id, std::string& name) const {
    const auto it = entries_.find(id);
    if (it == entries_.end()) return false;
    name = it->second.text;
    return true;
}

bool IdDatabase::LookupId(std::string_view name, uint32_t& id) const {
    for (const auto& [key, entry] : entries_) {
        if (entry.text == name) {
            id = key;
            return true;
        }
    }
    id = 0;
    return false;
}

void IdDatabase::Register(uint32_t id, std::string_view name) {
    entries_[id] = CatalogEntry(std::string(name), 0, 0);
}

// --- TextCatalog ---

TextCatalog::TextCatalog(ChunkTag directoryTag, std::string fileName)
    : CatalogBase(directoryTag, std::move(fileName)) {}

void TextCatalog::ReadElement() {
    std::string key;
    ReadString(key);
    CatalogEntry entry;
    if (CatalogEntry::Read(*this, entry)) entries_[std::move(key)] = std::move(entry);
}

void TextCatalog::WriteElements() {
    for (const auto& [key, entry] : entries_) {
        if (IsBad()) return;
        const uint32_t start = BeginElement();
        WriteString(key);
        entry.Write(*this);
        EndChunk(start);
    }
}

const CatalogEntry* TextCatalog::Find(std::string_view key) const {
    const auto it = entries_.find(key);
    return it == entries_.end() ? nullptr : &it->second;
}

CatalogEntry* TextCatalog::Find(std::string_view key) {
    const auto it = entries_.find(key);
    return it == entries_.end() ? nullptr : &it->second;
}

void TextCatalog::Set(std::string key, CatalogEntry entry) {
    entries_[std::move(key)] = std::move(entry);
}

// --- UserDatabase ---

UserDatabase::UserDatabase(std::string fileName) : TextCatalog("USER", std::move(fileName)) {}

uint32_t UserDatabase::AllocateId(std::string_view user) {
    CatalogEntry* entry = Find(user);
    if (!entry) return 0;
    return entry->second++;
}

// --- PakCatalog ---

PakCatalog::PakCatalog() : TextCatalog(kArchiveTag) {}

Result PakCatalog::ReadArchiveDirectory(const char* archivePath) {
    const Result opened = OpenRead(archivePath);
    if (Failed(opened)) return opened;
    const uint32_t length = FileLength();
    // The directory chunk (at least its header) must fit before the last 4 bytes.
    if (length < 12) {
        CloseRead();
        return Fail(ERR_OUT_OF_RANGE);
    }
    Seek(length - 4);
    const uint32_t position = ReadU32();
    if (IsBad() || position > length - 12) {
        CloseRead();
        return Fail(ERR_OUT_OF_RANGE);
    }
    ChunkTag tag;
    Seek(position);
    Read(tag.bytes, 4);
    if (IsBad() || !(tag == kArchiveTag)) {
        CloseRead();
        return Fail(ERR_CATALOG_BAD_RECORD);
    }
    Result read = SetWindow(position, length - 4);
    if (Succeeded(read)) read = ReadDirectory();
    CloseRead();
    return Failed(read) ? read : Error();
}

}  // namespace vimsa

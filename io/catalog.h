#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "io/file_stream.h"

namespace vimsa {

// One entry of a catalog database: a text and two values. Id database: the
// object's file name, 0, 0. User database: the user name, the first id of the
// user's range, the next id to hand out. Archive catalog: the entry name, its
// size in bytes, its offset in the archive.
struct CatalogEntry {
    std::string text;
    uint32_t first = 0;
    uint32_t second = 0;

    CatalogEntry() = default;
    // A second value of 0 starts equal to the first.
    CatalogEntry(std::string text, uint32_t first, uint32_t second)
        : text(std::move(text)), first(first), second(second != 0 ? second : first) {}

    // Stored form: the text with its NUL, then the two u32. Read keeps the
    // values as stored.
    static bool Read(ChunkStream& stream, CatalogEntry& entry);
    bool Write(ChunkStream& stream) const;
};

// Common base of the databases. A database is a chunk file holding one
// directory chunk (its own tag, version 1, u32 count, then one "ELEM" chunk per
// entry); the database reads and writes that file through itself.
class CatalogBase : public FileStream {
public:
    CatalogBase(ChunkTag directoryTag, std::string fileName);

    // The database's own file as another component should name it (an archive
    // catalog answers its ".CAT" file); empty by default.
    virtual std::string GetFileName() const { return {}; }
    // Reads the key and the entry of one "ELEM" chunk and stores the entry
    // when the stream is still good (a key read again replaces the entry).
    virtual void ReadElement() = 0;
    // Reads the directory chunk at the position. A tag other than this
    // database's fails with ERR_CATALOG_BAD_RECORD; a count of 0 ends the
    // reading even when "ELEM" chunks follow. Returns the stream's error.
    virtual Result ReadDirectory();
    // Writes the directory chunk with every entry in key order.
    virtual Result WriteDirectory();

    virtual size_t Count() const = 0;
    virtual void Clear() = 0;

    // Reads the database from a file (OpenRead, ReadDirectory, CloseRead).
    Result LoadFile(const char* path);
    // Rewrites a file with the database (OpenWrite, WriteDirectory, CloseWrite).
    Result SaveFile(const char* path);

    ChunkTag DirectoryTag() const { return tag_; }
    const std::string& FileName() const { return fileName_; }
    void SetFileName(std::string name) { fileName_ = std::move(name); }

protected:
    virtual void WriteElements() = 0;
    // Begins an "ELEM" chunk with its version; returns its start.
    uint32_t BeginElement();

private:
    ChunkTag tag_;
    std::string fileName_;
};

// Object id -> file name ("ID  " directory).
class IdDatabase : public CatalogBase {
public:
    explicit IdDatabase(std::string fileName = "data\\main.cat");

    void ReadElement() override;
    size_t Count() const override { return entries_.size(); }
    void Clear() override { entries_.clear(); }

    bool LookupName(uint32_t id, std::string& name) const;
    // The smallest id whose name equals `name` exactly.
    bool LookupId(std::string_view name, uint32_t& id) const;
    // Stores (name, 0, 0) under id, replacing what was stored there.
    void Register(uint32_t id, std::string_view name);
    const std::map<uint32_t, CatalogEntry>& Entries() const { return entries_; }

protected:
    void WriteElements() override;

private:
    std::map<uint32_t, CatalogEntry> entries_;
};

// Text key -> entry, keys ordered bytewise. By itself it reads and writes a
// directory tagged "CAT ".
class TextCatalog : public CatalogBase {
public:
    explicit TextCatalog(ChunkTag directoryTag = "CAT ", std::string fileName = {});

    void ReadElement() override;
    size_t Count() const override { return entries_.size(); }
    void Clear() override { entries_.clear(); }

    const CatalogEntry* Find(std::string_view key) const;
    CatalogEntry* Find(std::string_view key);
    void Set(std::string key, CatalogEntry entry);
    const std::map<std::string, CatalogEntry, std::less<>>& Entries() const { return entries_; }

protected:
    void WriteElements() override;

private:
    std::map<std::string, CatalogEntry, std::less<>> entries_;
};

// User name -> id range ("USER" directory, "runtime.cat").
class UserDatabase : public TextCatalog {
public:
    explicit UserDatabase(std::string fileName = "runtime.cat");

    // Hands out the user's next id and advances it; 0 when the user is
    // missing or its ids are used up.
    uint32_t AllocateId(std::string_view user);
};

// Entry name -> size and offset in one archive ("PAK " directory).
class PakCatalog : public TextCatalog {
public:
    PakCatalog();

    std::string GetFileName() const override { return FileName(); }

    // Reads the directory at the end of an archive: the archive's last 4 bytes
    // hold the position D of a "PAK " chunk that lies before them. A position
    // that leaves no room for the chunk fails with ERR_OUT_OF_RANGE, another
    // tag with ERR_CATALOG_BAD_RECORD. The file is closed afterwards.
    Result ReadArchiveDirectory(const char* archivePath);
};

}  // namespace vimsa

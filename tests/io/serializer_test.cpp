#include "io/serializer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/archive_builder.h"
#include "io/catalogs.h"
#include "io/string_table.h"
#include "tests/io/io_test_util.h"

namespace vimsa {
namespace {

using test::TempDir;
using test::U16At;
using test::U32At;

// A small object with a record of its own: "THNG" version 1, a label, a
// value and a counted payload.
struct Thing {
    std::string label;
    uint32_t value = 0;
    std::vector<uint8_t> payload;
};

class ThingSerializer : public Serializer {
public:
    explicit ThingSerializer(Thing* target) : target_(target) {}

    Result Load() override {
        if (!target_) return ERR_NULL_ARGUMENT;
        ChunkHeader h;
        Stream()->OpenChunk(h);
        ReadU16();
        if (!(h.tag == ChunkTag("THNG"))) return ERR_BAD_TAG;
        ReadString(target_->label);
        target_->value = ReadU32();
        const uint32_t count = ReadU32();
        if (IsBad() || count > h.end - Tell()) return ERR_OUT_OF_RANGE;
        target_->payload.resize(count);
        Stream()->Read(target_->payload.data(), count);
        return IsBad() ? Stream()->Error() : RESULT_OK;
    }

    Result Save() override {
        if (!target_) return ERR_NULL_ARGUMENT;
        const uint32_t start = Tell();
        Stream()->BeginChunk("THNG");
        WriteU16(1);
        WriteString(target_->label);
        WriteU32(target_->value);
        WriteU32(static_cast<uint32_t>(target_->payload.size()));
        Stream()->Write(target_->payload.data(), static_cast<uint32_t>(target_->payload.size()));
        Stream()->EndChunk(start);
        return failAfterWriting_ ? ERR_FAIL : RESULT_OK;
    }

    Result GetPathPrefix(std::string& prefix) override {
        prefix = prefix_;
        return RESULT_OK;
    }

    std::string prefix_;
    bool failAfterWriting_ = false;

private:
    Thing* target_;
};

Thing Sample(size_t payload = 3000) {
    Thing t;
    t.label = "portal door";
    t.value = 0xC0FFEE;
    for (size_t i = 0; i < payload; ++i)
        t.payload.push_back(static_cast<uint8_t>(i % 13));
    return t;
}

class SerializerTest : public ::testing::Test {
protected:
    SerializerTest() : dir_(true) {
        ResetCatalogsForTesting();
        SetCompressionMode(0);
        std::filesystem::create_directories("data");
    }
    ~SerializerTest() override {
        SetCompressionMode(0);
        ResetCatalogsForTesting();
    }

    TempDir dir_;
};

TEST_F(SerializerTest, FirstSaveGivesAnIdAndWritesTheHeaderAroundTheRecord) {
    Thing thing = Sample(10);
    ThingSerializer s(&thing);
    EXPECT_EQ(s.SaveToFile(), ERR_SERIAL_NO_NAME);
    s.SetName("thing.obj");
    ASSERT_EQ(s.SaveToFile(), RESULT_OK);
    EXPECT_EQ(s.Id(), 1u);

    const std::vector<uint8_t> file = test::ReadBytes("thing.obj");
    ASSERT_GE(file.size(), 18u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "OGDB");
    EXPECT_EQ(U32At(file, 4), file.size());
    EXPECT_EQ(U16At(file, 8), 2u);
    EXPECT_EQ(U32At(file, 10), 1u);  // the id
    EXPECT_EQ(U32At(file, 14), 0u);  // stored
    EXPECT_EQ(std::string(file.begin() + 18, file.begin() + 22), "THNG");

    // The id database was rewritten with the new name, the user database
    // with the next id.
    IdDatabase ids("data\\main.cat");
    ASSERT_EQ(ids.LoadFile("data\\main.cat"), RESULT_OK);
    std::string name;
    EXPECT_TRUE(ids.LookupName(1, name));
    EXPECT_EQ(name, "thing.obj");
    EXPECT_TRUE(std::filesystem::exists("runtime.cat"));

    // A second save keeps the id.
    ASSERT_EQ(s.SaveToFile(), RESULT_OK);
    EXPECT_EQ(s.Id(), 1u);
}

TEST_F(SerializerTest, LoadingByNameGoesThroughTheIdDatabase) {
    Thing thing = Sample();
    ThingSerializer writer(&thing);
    writer.SetName("thing.obj");
    ASSERT_EQ(writer.SaveToFile(), RESULT_OK);

    Thing back;
    ThingSerializer reader(&back);
    ASSERT_EQ(reader.LoadFromFile("thing.obj"), RESULT_OK);
    EXPECT_EQ(reader.Id(), 1u);
    EXPECT_EQ(back.label, thing.label);
    EXPECT_EQ(back.value, thing.value);
    EXPECT_EQ(back.payload, thing.payload);

    Thing byId;
    ThingSerializer idReader(&byId);
    ASSERT_EQ(idReader.LoadById(1), RESULT_OK);
    EXPECT_EQ(byId.payload, thing.payload);
    EXPECT_EQ(idReader.LoadById(2), ERR_SERIAL_NO_NAME_FOR_ID);
}

TEST_F(SerializerTest, UnregisteredFilesLoadFromDiskWithIdZero) {
    Thing thing = Sample(5);
    ThingSerializer writer(&thing);
    writer.SetName("thing.obj");
    ASSERT_EQ(writer.SaveToFile(), RESULT_OK);
    ResetCatalogsForTesting();
    std::filesystem::remove("data/main.cat");
    ResetCatalogsForTesting();

    Thing back;
    ThingSerializer reader(&back);
    ASSERT_EQ(reader.LoadFromFile("THING.OBJ"), RESULT_OK);
    EXPECT_EQ(reader.Id(), 0u);
    EXPECT_EQ(back.label, "portal door");
    EXPECT_EQ(reader.LoadFromFile("missing.obj"), ERR_FILE_OPEN);
}

TEST_F(SerializerTest, PathIsPrefixPlusNamePlusSuffix) {
    Thing thing = Sample(5);
    ThingSerializer writer(&thing);
    std::filesystem::create_directories("mesh");
    writer.prefix_ = "mesh/";
    writer.SetName("prop.f3ds");
    ASSERT_EQ(writer.SaveToFile(), RESULT_OK);
    EXPECT_TRUE(std::filesystem::exists("mesh/prop.f3ds"));
    std::string name;
    ASSERT_TRUE(LookupName(writer.Id(), name));
    EXPECT_EQ(name, "prop.f3ds");  // the id database holds the name alone
}

TEST_F(SerializerTest, CompressedSavesLoadBackAndKeepTheUncompressedSize) {
    SetCompressionMode(1);
    Thing thing = Sample(20000);
    ThingSerializer writer(&thing);
    writer.SetName("big.obj");
    ASSERT_EQ(writer.SaveToFile(), RESULT_OK);
    const std::vector<uint8_t> file = test::ReadBytes("big.obj");
    EXPECT_LT(file.size(), 5000u);
    EXPECT_EQ(U16At(file, 8), 2u);
    EXPECT_EQ(U32At(file, 14), 1u);
    EXPECT_GT(U32At(file, 4), 20000u);  // the size field keeps the stored size

    SetCompressionMode(0);
    Thing back;
    ThingSerializer reader(&back);
    ASSERT_EQ(reader.LoadFromFile("big.obj"), RESULT_OK);
    EXPECT_EQ(back.payload, thing.payload);
    EXPECT_EQ(back.label, thing.label);
}

// An object file with a version-1 header (no compression field) made by hand.
std::vector<uint8_t> VersionOneFile(const Thing& thing) {
    ChunkStream counter;
    counter.SetCounting();
    ThingSerializer measure(const_cast<Thing*>(&thing));
    EXPECT_EQ(measure.SaveToStream(&counter), RESULT_OK);
    ChunkStream out(std::vector<uint8_t>(14 + counter.Tell()));
    out.BeginChunk("OGDB");
    out.WriteU16(1);
    out.WriteU32(77);
    ThingSerializer writer(const_cast<Thing*>(&thing));
    EXPECT_EQ(writer.SaveToStream(&out), RESULT_OK);
    out.EndChunk(0);
    EXPECT_FALSE(out.IsBad());
    return out.TakeBlock();
}

TEST_F(SerializerTest, VersionOneHeadersLoadAndCompressIntoVersionTwo) {
    const Thing thing = Sample(4000);
    test::WriteBytes("old.obj", VersionOneFile(thing));
    Thing back;
    ThingSerializer reader(&back);
    ASSERT_EQ(reader.LoadFromFile("old.obj"), RESULT_OK);
    EXPECT_EQ(back.payload, thing.payload);

    SetCompressionMode(1);
    ASSERT_EQ(reader.CompressFile("old.obj", true), RESULT_OK);
    const std::vector<uint8_t> file = test::ReadBytes("old.obj");
    EXPECT_EQ(U16At(file, 8), 2u);
    EXPECT_EQ(U32At(file, 10), 77u);
    EXPECT_EQ(U32At(file, 14), 1u);
    // The LZ block follows the 18-byte header and declares the record's size.
    EXPECT_EQ(U32At(file, 18) + 14, U32At(file, 4));

    Thing again;
    ThingSerializer second(&again);
    ASSERT_EQ(second.LoadFromFile("old.obj"), RESULT_OK);
    EXPECT_EQ(again.payload, thing.payload);

    // Compressing again leaves the file as it is.
    ASSERT_EQ(second.CompressFile("old.obj", true), RESULT_OK);
    EXPECT_EQ(test::ReadBytes("old.obj"), file);
}

TEST_F(SerializerTest, CompressFileRefusesWhatItCannotImprove) {
    SetCompressionMode(1);
    ThingSerializer s(nullptr);
    Thing noisy;
    noisy.payload = test::NoiseBytes(3000, 4);
    ThingSerializer writer(&noisy);
    writer.SetName("noise.obj");
    // The save itself succeeds; compressing it reports that it did not shrink.
    EXPECT_EQ(writer.SaveToFile(), ERR_SERIAL_NOT_SMALLER);
    const std::vector<uint8_t> stored = test::ReadBytes("noise.obj");
    EXPECT_EQ(U32At(stored, 14), 0u);
    EXPECT_EQ(s.CompressFile("noise.obj", true), ERR_SERIAL_NOT_SMALLER);
    EXPECT_EQ(test::ReadBytes("noise.obj"), stored);

    std::vector<uint8_t> odd = stored;
    odd[8] = 3;
    test::WriteBytes("odd.obj", odd);
    EXPECT_EQ(s.CompressFile("odd.obj", true), ERR_BAD_TAG);

    SetCompressionMode(2);
    EXPECT_EQ(s.CompressFile("noise.obj", true), ERR_BAD_VERSION);
    SetCompressionMode(0);
    EXPECT_EQ(s.CompressFile("noise.obj", true), RESULT_OK);
    EXPECT_EQ(test::ReadBytes("noise.obj"), stored);
}

TEST_F(SerializerTest, CompressFileWithoutHeaderCompressesEverything) {
    SetCompressionMode(1);
    const std::vector<uint8_t> text(5000, 'a');
    test::WriteBytes("plain.bin", text);
    ThingSerializer s(nullptr);
    ASSERT_EQ(s.CompressFile("plain.bin", false), RESULT_OK);
    const std::vector<uint8_t> packed = test::ReadBytes("plain.bin");
    EXPECT_EQ(U32At(packed, 0), 5000u);
    std::vector<uint8_t> out;
    ASSERT_EQ(LzCodec().Decompress(packed.data(), static_cast<uint32_t>(packed.size()), out),
              RESULT_OK);
    EXPECT_EQ(out, text);
}

TEST_F(SerializerTest, ADamagedOrForeignHeaderFailsTheLoad) {
    std::vector<uint8_t> file = VersionOneFile(Sample(10));
    // A texture or terrain record where an object file is expected.
    std::vector<uint8_t> foreign = file;
    std::copy_n("TEX ", 4, foreign.begin());
    test::WriteBytes("texture.obj", foreign);
    // Version 2 with an unknown compression mode 5.
    file[8] = 2;
    file.insert(file.begin() + 14, {5, 0, 0, 0});
    test::WriteBytes("mode5.obj", file);
    Thing back;
    ThingSerializer reader(&back);
    EXPECT_EQ(reader.LoadFromFile("mode5.obj"), ERR_BAD_VERSION);
    EXPECT_EQ(reader.LoadFromFile("texture.obj"), ERR_BAD_TAG);
    EXPECT_TRUE(back.label.empty());
}

TEST_F(SerializerTest, AFailedSaveRemovesThePartialFile) {
    Thing thing = Sample(10);
    ThingSerializer s(&thing);
    s.SetName("broken.obj");
    s.failAfterWriting_ = true;
    EXPECT_EQ(s.SaveToFile(), ERR_FAIL);
    EXPECT_FALSE(std::filesystem::exists("broken.obj"));
    ThingSerializer noTarget(nullptr);
    noTarget.SetName("none.obj");
    EXPECT_EQ(noTarget.SaveToFile(), ERR_NULL_ARGUMENT);
    EXPECT_FALSE(std::filesystem::exists("none.obj"));

    // Databases that cannot be written: without them the object could not
    // be found by its name, or its id could be handed out twice.
    std::filesystem::remove_all("data");
    test::WriteBytes("data", {0});  // a file where the folder should be
    ThingSerializer unregistered(&thing);
    unregistered.SetName("lost.obj");
    EXPECT_EQ(unregistered.SaveToFile(), ERR_FILE_OPEN);
    EXPECT_EQ(unregistered.Id(), 0u);
    std::filesystem::remove("data");
    std::filesystem::create_directories("data");
    std::filesystem::remove("runtime.cat");
    std::filesystem::create_directories("runtime.cat");
    EXPECT_EQ(unregistered.SaveToFile(), ERR_SERIAL_NO_ID);
    EXPECT_FALSE(std::filesystem::exists("lost.obj"));
}

TEST_F(SerializerTest, NamesGivenAsStringTableNumbersLoadTheirFile) {
    Thing thing = Sample(8);
    std::filesystem::create_directories("mesh");
    ThingSerializer writer(&thing);
    writer.SetName(NameRef::Resource(kStringKelmaFile));
    ASSERT_EQ(writer.SaveToFile(), RESULT_OK);
    EXPECT_TRUE(std::filesystem::exists("mesh/KelmaRun.f3ds"));

    Thing back;
    ThingSerializer reader(&back);
    ASSERT_EQ(reader.LoadFromFile(NameRef::Resource(kStringKelmaFile)), RESULT_OK);
    EXPECT_EQ(back.payload, thing.payload);
    EXPECT_EQ(reader.LoadFromFile(NameRef::Resource(9999)), ERR_NULL_ARGUMENT);
    EXPECT_EQ(reader.LoadFromFile(NameRef::Resource(70000)), ERR_NULL_ARGUMENT);
}

TEST_F(SerializerTest, RegisterNameRecordsTheNameUnderANewId) {
    ThingSerializer s(nullptr);
    EXPECT_FALSE(s.RegisterName());
    s.SetName("x.obj");
    EXPECT_TRUE(s.RegisterName());
    EXPECT_EQ(s.Id(), 1u);
    uint32_t id = 0;
    EXPECT_TRUE(LookupId("x.obj", id));
    EXPECT_EQ(id, 1u);
    EXPECT_FALSE(std::filesystem::exists("data/main.cat"));  // not saved
}

TEST_F(SerializerTest, StreamsAreLentForOneLoadOrSave) {
    Thing thing = Sample(50);
    ThingSerializer s(&thing);
    EXPECT_EQ(s.SaveToStream(nullptr), ERR_SERIAL_NO_STREAM);
    EXPECT_EQ(s.LoadFromStream(nullptr), ERR_SERIAL_NO_STREAM);
    EXPECT_TRUE(s.IsBad());
    EXPECT_EQ(s.ReadU32(), kUnreadValue);
    EXPECT_FALSE(s.WriteU8(1));

    ChunkStream counter;
    counter.SetCounting();
    ASSERT_EQ(s.SaveToStream(&counter), RESULT_OK);
    EXPECT_EQ(s.Stream(), nullptr);
    ChunkStream out(std::vector<uint8_t>(counter.Tell()));
    ASSERT_EQ(s.SaveToStream(&out), RESULT_OK);

    Thing back;
    ThingSerializer reader(&back);
    ChunkStream in(out.TakeBlock());
    ASSERT_EQ(reader.LoadFromStream(&in), RESULT_OK);
    EXPECT_EQ(back.payload, thing.payload);
    in.Seek(0);
    ThingSerializer nothing(nullptr);
    EXPECT_EQ(nothing.LoadFromStream(&in), ERR_NULL_ARGUMENT);
}

TEST_F(SerializerTest, CompressedObjectsLoadFromInsideAnArchive) {
    SetCompressionMode(1);
    std::filesystem::create_directories("pack/mesh");
    Thing thing = Sample(9000);
    ThingSerializer writer(&thing);
    writer.SetName("pack/mesh/prop.f3ds");
    ASSERT_EQ(writer.SaveToFile(), RESULT_OK);
    test::WriteText("pack/mesh/other.txt", "before the object in the archive");
    ASSERT_EQ(BuildArchiveTree("pack", false), RESULT_OK);
    std::filesystem::remove("pack/mesh/prop.f3ds");
    IdDatabase ids;
    ASSERT_EQ(ids.SaveFile("pack/Vimsa.cat"), RESULT_OK);
    ASSERT_EQ(LoadDatabase("pack/Vimsa.cat"), RESULT_OK);

    // The entry's window starts after the other file: positions are
    // archive positions and the expanded record continues from them.
    Thing back;
    ThingSerializer reader(&back);
    ASSERT_EQ(reader.LoadFromFile("mesh/PROP.F3DS"), RESULT_OK);
    EXPECT_EQ(back.payload, thing.payload);
    EXPECT_EQ(back.label, thing.label);
}

TEST_F(SerializerTest, WholeFileReadsComeFromDiskOrArchives) {
    test::WriteText("notes.txt", "some notes");
    ThingSerializer s(nullptr);
    std::vector<uint8_t> block;
    ASSERT_EQ(s.ReadWholeFile("NOTES.TXT", block), RESULT_OK);
    EXPECT_EQ(std::string(block.begin(), block.end()), "some notes");
    EXPECT_EQ(s.ReadWholeFile("none.txt", block), ERR_FILE_OPEN);
    EXPECT_TRUE(block.empty());
}

}  // namespace
}  // namespace vimsa

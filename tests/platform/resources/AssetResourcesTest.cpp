// Embedded asset tables, the executable's resources over them and the asset container.
#include "platform/resources/AssetResources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

using namespace platform;

namespace {

std::span<const uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::string Text(const AssetBytes& bytes) {
    return bytes ? std::string(reinterpret_cast<const char*>(bytes.data), bytes.size) : "<none>";
}

const uint8_t kNumbered[] = "numbered in the executable";
const uint8_t kBoth[] = "executable's copy";
const uint8_t kNamed[] = "named bytes";
const EmbeddedAsset kAssets[] = {
    {"exercise/31001.bin", "", 31001, kNumbered, kNumbered + sizeof kNumbered - 1},
    {"exercise/31002.bin", "", 31002, kBoth, kBoth + sizeof kBoth - 1},
    {"skin/ResourceTestName.bin", "ResourceTestName", -1, kNamed, kNamed + sizeof kNamed - 1},
};
const EmbeddedAssetTable kTable{"test", kAssets, 3};

class AssetResourcesTest : public testing::Test {
protected:
    void SetUp() override {
        RegisterEmbeddedAssets(&kTable);
        folder_ = std::filesystem::temp_directory_path() /
                  ("zel-assets-" + std::to_string(getpid()) + "-" +
                   testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
        containerPath_ = (folder_ / "Animations.pak").string();
        SetAssetContainerPath(containerPath_);
    }
    void TearDown() override {
        SetAssetContainerPath("");
        UnregisterEmbeddedAssets(&kTable);
        std::filesystem::remove_all(folder_);
    }

    void WriteContainer(const std::vector<AssetContainerEntry>& entries) {
        ASSERT_TRUE(WriteAssetContainer(containerPath_, entries));
    }

    void WriteRaw(const std::vector<uint8_t>& bytes) {
        std::FILE* file = std::fopen(containerPath_.c_str(), "wb");
        if (!bytes.empty())
            std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }

    std::filesystem::path folder_;
    std::string containerPath_;
};

TEST_F(AssetResourcesTest, NumbersAndNamesFindTheirOwnKindOnly) {
    EXPECT_EQ(Text(ExecutableModule()->FindResource(31001)), "numbered in the executable");
    // The low 16 bits choose the resource.
    EXPECT_EQ(Text(ExecutableModule()->FindResource(31001 + 65536)), "numbered in the executable");
    EXPECT_EQ(Text(FindEmbeddedAsset(L"ResourceTestName")), "named bytes");
    EXPECT_EQ(Text(FindEmbeddedAsset(std::string_view("ResourceTestName"))), "named bytes");
    EXPECT_FALSE(FindEmbeddedAsset(L"31001"));
    EXPECT_FALSE(FindEmbeddedAsset(L"resourcetestname"));
    EXPECT_FALSE(ExecutableModule()->FindResource(31003));
}

TEST_F(AssetResourcesTest, ContainerIsSearchedAfterTheExecutable) {
    std::string both = "container's copy", only = "only in the container";
    WriteContainer({{31002, Bytes(both)}, {31003, Bytes(only)}});

    AssetResource fromExecutable = FindAssetResource(31002);
    ASSERT_TRUE(fromExecutable);
    EXPECT_EQ(fromExecutable.module->Origin(), AssetOrigin::Executable);
    EXPECT_EQ(Text(fromExecutable.bytes), "executable's copy");

    AssetResource fromContainer = FindAssetResource(31003);
    ASSERT_TRUE(fromContainer);
    EXPECT_EQ(fromContainer.module->Origin(), AssetOrigin::Container);
    EXPECT_EQ(Text(fromContainer.bytes), "only in the container");

    EXPECT_FALSE(FindAssetResource(31004));
}

TEST_F(AssetResourcesTest, HandleKeepsContainerBytesAfterTheFileIsGone) {
    std::string narration(100000, 'n');
    WriteContainer({{191, Bytes(narration)}});
    AssetResource sound = FindAssetResource(191);
    ASSERT_TRUE(sound);
    // A second lookup while the first handle lives shares the open container.
    EXPECT_EQ(OpenAssetContainer(), sound.module);

    std::filesystem::remove(containerPath_);
    EXPECT_EQ(OpenAssetContainer(), sound.module) << "still shared while held";
    EXPECT_EQ(Text(sound.bytes), narration);

    // Rewriting the container while the old one is held leaves the old bytes alone.
    std::string replacement = "new";
    WriteContainer({{191, Bytes(replacement)}});
    EXPECT_EQ(Text(sound.bytes), narration);
    sound = {};
    EXPECT_EQ(Text(FindAssetResource(191).bytes), "new");
}

TEST_F(AssetResourcesTest, BrokenContainersAreIgnoredWithOneLine) {
    std::string good = "good";
    WriteContainer({{5, Bytes(good)}});
    std::vector<uint8_t> valid;
    {
        std::FILE* file = std::fopen(containerPath_.c_str(), "rb");
        int c;
        while ((c = std::fgetc(file)) != EOF)
            valid.push_back(static_cast<uint8_t>(c));
        std::fclose(file);
    }
    auto with = [&](size_t at, uint8_t value) {
        std::vector<uint8_t> bytes = valid;
        bytes[at] = value;
        return bytes;
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"empty", {}},
        {"short header", std::vector<uint8_t>(valid.begin(), valid.begin() + 10)},
        {"wrong magic", with(0, 'X')},
        {"unknown version", with(8, 2)},
        {"too many entries", with(12, 200)},
        {"number above 65535", with(18, 1)},
        {"bytes outside the file", with(20, 0xFF)},
        {"offset outside the file", with(30, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteRaw(c.bytes);
        testing::internal::CaptureStderr();
        AssetResource found = FindAssetResource(5);
        std::string errors = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(found);
        EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
        EXPECT_NE(errors.find("is ignored"), std::string::npos) << errors;
    }
    WriteRaw(valid);
    EXPECT_EQ(Text(FindAssetResource(5).bytes), "good");
}

TEST_F(AssetResourcesTest, NoContainerIsNotAnError) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(FindAssetResource(31003));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(AssetResourcesTest, WriterRefusesRepeatedOrOversizedNumbers) {
    std::string a = "a";
    testing::internal::CaptureStderr();
    EXPECT_FALSE(WriteAssetContainer(
        containerPath_, std::vector<AssetContainerEntry>{{7, Bytes(a)}, {7, Bytes(a)}}));
    EXPECT_FALSE(
        WriteAssetContainer(containerPath_, std::vector<AssetContainerEntry>{{65536, Bytes(a)}}));
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(std::filesystem::exists(containerPath_));
}

} // namespace

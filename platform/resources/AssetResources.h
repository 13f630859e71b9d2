// The assets the program carries: every file of assets/ embedded into the executable by the build,
// found by resource number or by name, and the optional asset container next to the executable.
//
// Embedded assets. cmake/EmbedAssets.cmake turns each file under assets/ into bytes of the
// executable and generates a table of them. A file in assets/exercise/ whose stem is a decimal
// number is a numbered resource (assets/exercise/118.png is resource 118); every other file is
// named by its stem (assets/skin/PrintButtonNuv.png is "PrintButtonNuv", assets/shell/
// ENDHELPSOUND.ogg is "ENDHELPSOUND"). Names and numbers are unique; the build stops on a clash.
// Any program or test that links the media layer carries the table; a test executable can embed
// a folder of its own in addition (zel_embed_assets), or register a table at run time.
//
// The asset container ("Animations.pak" next to the executable) holds numbered resources only and
// is searched after the executable. Its format, all numbers little-endian:
//
//     offset 0   8 bytes   magic "ZELPAK\r\n"
//     offset 8   uint32    version, 1
//     offset 12  uint32    entry count n
//     offset 16  n entries of 16 bytes each:
//                uint32    resource number (0 … 65535)
//                uint32    size of the bytes
//                uint64    offset of the bytes from the start of the file
//
// The bytes may lie anywhere after the entry table (WriteAssetContainer aligns them to 16). A
// container that breaks these rules (short, wrong magic or version, an entry outside the file) is
// ignored as a whole, with one line on stderr saying why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Bytes of an asset, read in place. data is null when nothing was found.
struct AssetBytes {
    const uint8_t* data = nullptr;
    size_t size = 0;

    explicit operator bool() const { return data != nullptr; }
};

enum class AssetOrigin {
    Executable,
    Container,
};

// A place that holds numbered resources: the executable itself, or an open container. Bytes found
// in a module stay valid for as long as some handle to the module lives (a sound streaming from
// the container keeps its handle).
class AssetModule {
public:
    virtual ~AssetModule() = default;
    virtual AssetOrigin Origin() const = 0;
    // The resource whose number has these low 16 bits.
    virtual AssetBytes FindResource(uint32_t number) const = 0;
};
using AssetModuleHandle = std::shared_ptr<const AssetModule>;

// Where a resource was found: its module (keep the handle while using the bytes) and its bytes.
struct AssetResource {
    AssetModuleHandle module;
    AssetBytes bytes;

    explicit operator bool() const { return module && bytes; }
};

// The executable's own resources; never released.
AssetModuleHandle ExecutableModule();

// Opens the container at AssetContainerPath(). Null when there is none or it is not valid. While a
// handle lives, opening again shares it.
AssetModuleHandle OpenAssetContainer();

// Resource by number (its low 16 bits): the executable first, then the container. On failure the
// result is empty and no container stays open.
AssetResource FindAssetResource(uint32_t number);

// Embedded bytes registered under a name (the stem of the file under assets/). Numbered resources
// are not found by name. The bytes live as long as the program.
AssetBytes FindEmbeddedAsset(std::wstring_view name);
AssetBytes FindEmbeddedAsset(std::string_view utf8Name);

// The container's path: "Animations.pak" in the executable's folder, unless a test chose another.
std::string AssetContainerPath();
// An empty path restores the default.
void SetAssetContainerPath(std::string path);

struct AssetContainerEntry {
    uint32_t number = 0;
    std::span<const uint8_t> bytes;
};
// Writes a container holding the entries (numbers must be distinct and below 65536). False, with
// the reason on stderr, when the file cannot be written.
bool WriteAssetContainer(const std::string& path, std::span<const AssetContainerEntry> entries);

// The tables the build generates. The linker gathers them (each puts a pointer to itself into the
// section "zel_asset_tables"), so they need no start-up code and are complete before main.
struct EmbeddedAsset {
    const char* path; // relative to the embedded folder, for diagnostics: "skin/Fon.png"
    const char* name; // the stem, for named assets; "" for numbered ones
    int32_t number;   // the resource number, or -1 for named assets
    const uint8_t* begin;
    const uint8_t* end;

    size_t Size() const { return static_cast<size_t>(end - begin); }
};
struct EmbeddedAssetTable {
    const char* folder;
    const EmbeddedAsset* assets;
    size_t count;
};
// A table added at run time (a test's own assets), searched after the linked ones, in the order
// of registration. Unregister it before it goes away.
void RegisterEmbeddedAssets(const EmbeddedAssetTable* table);
void UnregisterEmbeddedAssets(const EmbeddedAssetTable* table);
// Every table: the linked ones, then the registered ones.
std::vector<const EmbeddedAssetTable*> EmbeddedAssetTables();

} // namespace platform

// The embedded asset tables, the executable's resources over them, and the asset container file.
#include "platform/resources/AssetResources.h"

#include "platform/TextCodec.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

#include <fcntl.h>
#include <sys/stat.h>

#if defined(_WIN32)
// Windows' linker sorts the sections ".rdata$<name>" by name within .rdata:
// the generated tables put their pointers between these two empty entries.
[[gnu::used, gnu::section(".rdata$zel_asset_tables_a")]]
constinit const platform::EmbeddedAssetTable* const zelAssetTablesFirst = nullptr;
[[gnu::used, gnu::section(".rdata$zel_asset_tables_z")]]
constinit const platform::EmbeddedAssetTable* const zelAssetTablesLast = nullptr;
#include <io.h>
#include <windows.h>
#undef FindResource
#else
#include <sys/mman.h>
#include <unistd.h>

// The linker's bounds of the section that every generated table puts its pointer into. They are
// weak because a program may link no table at all.
extern "C" {
extern const platform::EmbeddedAssetTable* const __start_zel_asset_tables[]
    __attribute__((weak, visibility("hidden")));
extern const platform::EmbeddedAssetTable* const __stop_zel_asset_tables[]
    __attribute__((weak, visibility("hidden")));
}
#endif

namespace platform {
namespace {

constexpr char kContainerMagic[8] = {'Z', 'E', 'L', 'P', 'A', 'K', '\r', '\n'};
constexpr uint32_t kContainerVersion = 1;
constexpr size_t kHeaderSize = 16;
constexpr size_t kEntrySize = 16;
constexpr char kContainerFileName[] = "Animations.pak";

std::mutex& TablesMutex() {
    static std::mutex mutex;
    return mutex;
}

std::vector<const EmbeddedAssetTable*>& Tables() {
    static std::vector<const EmbeddedAssetTable*> tables;
    return tables;
}

uint32_t ReadU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint64_t ReadU64(const uint8_t* p) {
    return uint64_t(ReadU32(p)) | uint64_t(ReadU32(p + 4)) << 32;
}

void PutU32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

void PutU64(std::vector<uint8_t>& out, size_t at, uint64_t value) {
    PutU32(out, at, static_cast<uint32_t>(value));
    PutU32(out, at + 4, static_cast<uint32_t>(value >> 32));
}

class ExecutableAssets final : public AssetModule {
public:
    AssetOrigin Origin() const override { return AssetOrigin::Executable; }

    AssetBytes FindResource(uint32_t number) const override {
        int32_t wanted = static_cast<int32_t>(number & 0xFFFF);
        for (const EmbeddedAssetTable* table : EmbeddedAssetTables())
            for (size_t i = 0; i < table->count; ++i)
                if (table->assets[i].number == wanted)
                    return AssetBytes{table->assets[i].begin, table->assets[i].Size()};
        return {};
    }
};

#if defined(_WIN32)
// Windows: the container is read whole; it is small and read once.
int OpenForReading(const std::string& path) {
    return _wopen(Utf8ToWide(path).c_str(), _O_RDONLY | _O_BINARY);
}
void* MapFile(int fd, size_t length) {
    void* bytes = std::malloc(length ? length : 1);
    size_t done = 0;
    while (bytes && done < length) {
        const int got = _read(fd, static_cast<char*>(bytes) + done,
                              unsigned(std::min<size_t>(length - done, 1u << 30)));
        if (got <= 0) {
            std::free(bytes);
            errno = got < 0 ? errno : EIO;
            return nullptr;
        }
        done += size_t(got);
    }
    return bytes;
}
void UnmapFile(void* mapping, size_t) {
    std::free(mapping);
}
#else
int OpenForReading(const std::string& path) {
    return open(path.c_str(), O_RDONLY | O_CLOEXEC);
}
void* MapFile(int fd, size_t length) {
    void* mapping = mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, 0);
    return mapping == MAP_FAILED ? nullptr : mapping;
}
void UnmapFile(void* mapping, size_t length) {
    munmap(mapping, length);
}
#endif

// A container mapped read-only into memory. The mapping stays valid after the file is deleted or
// replaced, so bytes handed out live exactly as long as the module.
class ContainerAssets final : public AssetModule {
public:
    struct Entry {
        uint32_t number;
        uint32_t size;
        uint64_t offset;
    };

    ContainerAssets(std::string path, void* mapping, size_t length, std::vector<Entry> entries)
        : path_(std::move(path)), mapping_(mapping), length_(length), entries_(std::move(entries)) {
    }
    ~ContainerAssets() override { UnmapFile(mapping_, length_); }

    AssetOrigin Origin() const override { return AssetOrigin::Container; }

    AssetBytes FindResource(uint32_t number) const override {
        uint32_t wanted = number & 0xFFFF;
        for (const Entry& entry : entries_)
            if (entry.number == wanted)
                return AssetBytes{static_cast<const uint8_t*>(mapping_) + entry.offset, entry.size};
        return {};
    }

    const std::string& Path() const { return path_; }

private:
    std::string path_;
    void* mapping_;
    size_t length_;
    std::vector<Entry> entries_;
};

std::mutex containerMutex;
std::string containerPathOverride;
std::weak_ptr<const ContainerAssets> openContainer;

#if defined(_WIN32)
std::string ExecutableFolder() {
    wchar_t buffer[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, DWORD(std::size(buffer)));
    if (length == 0 || length >= std::size(buffer))
        return ".";
    std::wstring path(buffer, length);
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::string(".") : WideToUtf8(path.substr(0, slash));
}
#else
std::string ExecutableFolder() {
    char buffer[4096];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return ".";
    std::string path(buffer, static_cast<size_t>(length));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

#endif

void ReportBadContainer(const std::string& path, const char* reason) {
    std::fprintf(stderr, "asset container %s is ignored: %s\n", path.c_str(), reason);
}

std::shared_ptr<const ContainerAssets> MapContainer(const std::string& path) {
    int fd = OpenForReading(path);
    if (fd < 0)
        return nullptr; // No container is the usual case, not an error.
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        ReportBadContainer(path, "not a regular file");
        return nullptr;
    }
    size_t length = static_cast<size_t>(info.st_size);
    if (length < kHeaderSize) {
        close(fd);
        ReportBadContainer(path, "shorter than its header");
        return nullptr;
    }
    void* mapping = MapFile(fd, length);
    close(fd);
    if (mapping == nullptr) {
        ReportBadContainer(path, std::strerror(errno));
        return nullptr;
    }
    auto fail = [&](const char* reason) {
        UnmapFile(mapping, length);
        ReportBadContainer(path, reason);
        return nullptr;
    };
    const uint8_t* bytes = static_cast<const uint8_t*>(mapping);
    if (std::memcmp(bytes, kContainerMagic, sizeof kContainerMagic) != 0)
        return fail("not an asset container");
    if (ReadU32(bytes + 8) != kContainerVersion)
        return fail("unknown version");
    uint64_t count = ReadU32(bytes + 12);
    if (count > (length - kHeaderSize) / kEntrySize)
        return fail("entry table runs past the end");
    std::vector<ContainerAssets::Entry> entries;
    entries.reserve(count);
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* e = bytes + kHeaderSize + i * kEntrySize;
        ContainerAssets::Entry entry{ReadU32(e), ReadU32(e + 4), ReadU64(e + 8)};
        if (entry.number > 0xFFFF)
            return fail("resource number above 65535");
        if (entry.offset > length || entry.size > length - entry.offset)
            return fail("resource bytes outside the file");
        entries.push_back(entry);
    }
    return std::make_shared<const ContainerAssets>(path, mapping, length, std::move(entries));
}

} // namespace

void RegisterEmbeddedAssets(const EmbeddedAssetTable* table) {
    std::lock_guard lock(TablesMutex());
    Tables().push_back(table);
}

void UnregisterEmbeddedAssets(const EmbeddedAssetTable* table) {
    std::lock_guard lock(TablesMutex());
    auto& tables = Tables();
    tables.erase(std::remove(tables.begin(), tables.end(), table), tables.end());
}

std::vector<const EmbeddedAssetTable*> EmbeddedAssetTables() {
    std::vector<const EmbeddedAssetTable*> tables;
#if defined(_WIN32)
    for (auto entry = &zelAssetTablesFirst + 1; entry < &zelAssetTablesLast; ++entry)
        if (*entry)
            tables.push_back(*entry);
#else
    if (__start_zel_asset_tables && __stop_zel_asset_tables)
        tables.assign(__start_zel_asset_tables, __stop_zel_asset_tables);
#endif
    std::lock_guard lock(TablesMutex());
    tables.insert(tables.end(), Tables().begin(), Tables().end());
    return tables;
}

AssetModuleHandle ExecutableModule() {
    static const AssetModuleHandle module = std::make_shared<const ExecutableAssets>();
    return module;
}

std::string AssetContainerPath() {
    std::lock_guard lock(containerMutex);
    if (!containerPathOverride.empty())
        return containerPathOverride;
    return ExecutableFolder() + "/" + kContainerFileName;
}

void SetAssetContainerPath(std::string path) {
    std::lock_guard lock(containerMutex);
    containerPathOverride = std::move(path);
}

AssetModuleHandle OpenAssetContainer() {
    std::string path = AssetContainerPath();
    std::lock_guard lock(containerMutex);
    if (auto open = openContainer.lock(); open && open->Path() == path)
        return open;
    auto container = MapContainer(path);
    openContainer = container;
    return container;
}

AssetResource FindAssetResource(uint32_t number) {
    AssetModuleHandle executable = ExecutableModule();
    if (AssetBytes bytes = executable->FindResource(number))
        return AssetResource{executable, bytes};
    if (AssetModuleHandle container = OpenAssetContainer())
        if (AssetBytes bytes = container->FindResource(number))
            return AssetResource{container, bytes};
    return {};
}

AssetBytes FindEmbeddedAsset(std::string_view utf8Name) {
    for (const EmbeddedAssetTable* table : EmbeddedAssetTables())
        for (size_t i = 0; i < table->count; ++i) {
            const EmbeddedAsset& asset = table->assets[i];
            if (asset.number < 0 && utf8Name == asset.name)
                return AssetBytes{asset.begin, asset.Size()};
        }
    return {};
}

AssetBytes FindEmbeddedAsset(std::wstring_view name) {
    return FindEmbeddedAsset(std::string_view(WideToUtf8(std::wstring(name))));
}

bool WriteAssetContainer(const std::string& path, std::span<const AssetContainerEntry> entries) {
    std::set<uint32_t> numbers;
    for (const AssetContainerEntry& entry : entries) {
        if (entry.number > 0xFFFF || !numbers.insert(entry.number).second ||
            entry.bytes.size() > UINT32_MAX) {
            std::fprintf(stderr, "asset container %s: resource %u is out of range or repeated\n",
                         path.c_str(), entry.number);
            return false;
        }
    }
    auto align = [](size_t n) { return (n + 15) & ~size_t(15); };
    size_t offset = align(kHeaderSize + kEntrySize * entries.size());
    std::vector<uint8_t> out(offset);
    std::memcpy(out.data(), kContainerMagic, sizeof kContainerMagic);
    PutU32(out, 8, kContainerVersion);
    PutU32(out, 12, static_cast<uint32_t>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        size_t at = kHeaderSize + i * kEntrySize;
        PutU32(out, at, entries[i].number);
        PutU32(out, at + 4, static_cast<uint32_t>(entries[i].bytes.size()));
        PutU64(out, at + 8, offset);
        out.resize(offset, 0);
        out.insert(out.end(), entries[i].bytes.begin(), entries[i].bytes.end());
        offset = align(out.size());
    }
    // Written beside the target and renamed over it: a container that is open elsewhere is
    // mapped, and truncating a mapped file in place would pull the bytes from under its readers.
    std::string temporary = path + ".new";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "asset container %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    written = std::fclose(file) == 0 && written;
    if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "asset container %s: write failed\n", path.c_str());
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace platform

// Writes the fuzz targets' seed corpora: the program's own pictures, videos and sounds from
// assets/ (long ones cut short, so that one run of a seed stays quick), pictures, sounds and
// videos in the formats the assets do not use, and workbooks written by the report itself.
//
//     fuzz_seeds <assets folder> <video fixtures folder> <output folder>
//
// The output folder gets picture/, theora/, vorbis/ and workbook/, each emptied first.
#include "platform/TextCodec.h"
#include "shell/report/ReportDocument.h"
#include "tests/media/PictureFixtures.h"
#include "tests/media/SoundFixture.h"
#include "tools/video/TheoraWriter.h"

#include <ogg/ogg.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A seed longer than this keeps only its beginning: the headers and the first frames or seconds.
constexpr size_t kMaxStreamSeed = 64 * 1024;

using Bytes = std::vector<uint8_t>;

Bytes Read(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void Write(const fs::path& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    if (!file)
        throw std::runtime_error("cannot write " + path.string());
}

Bytes Cut(Bytes bytes, size_t length) {
    if (bytes.size() > length)
        bytes.resize(length);
    return bytes;
}

Bytes Join(const Bytes& first, const Bytes& second) {
    Bytes joined = first;
    joined.insert(joined.end(), second.begin(), second.end());
    return joined;
}

// The pages of an Ogg file, each as its bytes.
std::vector<Bytes> Pages(const Bytes& file) {
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char* buffer = ogg_sync_buffer(&sync, static_cast<long>(file.size()));
    std::copy(file.begin(), file.end(), buffer);
    ogg_sync_wrote(&sync, static_cast<long>(file.size()));
    std::vector<Bytes> pages;
    ogg_page page;
    while (ogg_sync_pageout(&sync, &page) == 1) {
        Bytes bytes(page.header, page.header + page.header_len);
        bytes.insert(bytes.end(), page.body, page.body + page.body_len);
        pages.push_back(std::move(bytes));
    }
    ogg_sync_clear(&sync);
    return pages;
}

// Two logical streams multiplexed as a player finds them: both first pages, then the rest of
// both streams page by page in turn.
Bytes Multiplex(const Bytes& first, const Bytes& second) {
    const std::vector<Bytes> a = Pages(first);
    const std::vector<Bytes> b = Pages(second);
    Bytes out;
    auto append = [&out](const Bytes& page) { out.insert(out.end(), page.begin(), page.end()); };
    append(a.front());
    append(b.front());
    for (size_t i = 1; i < std::max(a.size(), b.size()); ++i) {
        if (i < a.size())
            append(a[i]);
        if (i < b.size())
            append(b[i]);
    }
    return out;
}

Bytes SmallVideo(int width, int height, int frames, bool pagePerFrame) {
    videotools::VideoFormat format;
    format.pictureWidth = width;
    format.pictureHeight = height;
    format.framesPerSecond = 12;
    format.keyframeInterval = 3;
    format.pagePerFrame = pagePerFrame;
    videotools::TheoraWriter writer(format, 7);
    for (int k = 0; k < frames; ++k) {
        videotools::YuvFrame frame = writer.NewFrame();
        for (int row = 0; row < frame.height; ++row)
            for (int x = 0; x < frame.width; ++x)
                frame.SetRgb(x, row, (x * 13 + k * 40) & 255, (row * 7) & 255, (x ^ row) & 255);
        writer.AddFrame(frame, k + 1 == frames);
    }
    return writer.Finish();
}

void Pictures(const fs::path& assets, const fs::path& out) {
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(assets))
        if (entry.is_regular_file() && entry.path().extension() == ".png")
            fs::copy_file(entry.path(), out / entry.path().filename(),
                          fs::copy_options::overwrite_existing);

    // The PNG forms the decoder transforms, which the art does not use.
    auto pattern = [](int x, int y) { return static_cast<uint8_t>(x * 37 + y * 11); };
    auto png = [&](const char* name, int colorType, int bitDepth, auto&& tweak) {
        fixtures::PngPicture picture;
        picture.width = 13;
        picture.height = 7;
        picture.colorType = colorType;
        picture.bitDepth = bitDepth;
        picture.samples.resize(picture.RowBytes() * picture.height);
        for (size_t i = 0; i < picture.samples.size(); ++i)
            picture.samples[i] = pattern(static_cast<int>(i), static_cast<int>(i / 3));
        tweak(picture);
        Write(out / name, fixtures::EncodePng(picture));
    };
    auto none = [](fixtures::PngPicture&) {};
    png("grey1.png", PNG_COLOR_TYPE_GRAY, 1, none);
    png("grey4-gamma.png", PNG_COLOR_TYPE_GRAY, 4, [](auto& p) { p.gamma = 0.45455; });
    png("grey16.png", PNG_COLOR_TYPE_GRAY, 16, none);
    png("grey-alpha.png", PNG_COLOR_TYPE_GRAY_ALPHA, 8, none);
    png("rgb16-background.png", PNG_COLOR_TYPE_RGB, 16, [](auto& p) {
        p.hasBackground = true;
        p.background.red = 0x1234;
        p.background.green = 0x5678;
        p.background.blue = 0x9ABC;
    });
    png("rgba16-interlaced.png", PNG_COLOR_TYPE_RGBA, 16, [](auto& p) { p.interlaced = true; });
    png("palette4-transparency.png", PNG_COLOR_TYPE_PALETTE, 4, [](auto& p) {
        for (int i = 0; i < 16; ++i)
            p.palette.push_back(
                png_color{static_cast<png_byte>(i * 16), static_cast<png_byte>(255 - i * 16), 77});
        for (int i = 0; i < 16; ++i)
            p.transparency.push_back(static_cast<uint8_t>(i * 17));
        for (uint8_t& sample : p.samples)
            sample &= 0xFF;
    });
    png("palette8-background.png", PNG_COLOR_TYPE_PALETTE, 8, [](auto& p) {
        for (int i = 0; i < 256; ++i)
            p.palette.push_back(png_color{static_cast<png_byte>(i), static_cast<png_byte>(i / 2),
                                          static_cast<png_byte>(255 - i)});
        p.hasBackground = true;
        p.background.index = 3;
    });

    // The JPEG fallback: grey and colour, baseline as the fixture encoder writes them.
    Bytes samples;
    for (int i = 0; i < 24 * 16 * 3; ++i)
        samples.push_back(pattern(i, i / 5));
    Write(out / "grey.jpg",
          fixtures::EncodeJpeg(24, 16, 1, Bytes(samples.begin(), samples.begin() + 24 * 16)));
    Write(out / "colour.jpg", fixtures::EncodeJpeg(24, 16, 3, samples));
}

void Videos(const fs::path& assets, const fs::path& fixturesFolder, const fs::path& out) {
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(assets))
        if (entry.is_regular_file() && entry.path().extension() == ".ogv")
            Write(out / entry.path().filename(), Cut(Read(entry.path()), kMaxStreamSeed));
    for (const char* name : {"Counter25.ogv", "HeadersOnly.ogv"})
        fs::copy_file(fixturesFolder / name, out / name, fs::copy_options::overwrite_existing);

    const Bytes odd = SmallVideo(17, 9, 5, true);
    Write(out / "odd-size.ogv", odd);
    // A video with a sound stream beside it, and one followed by another video.
    Write(out / "with-sound.ogv", Multiplex(odd, sound_fixture::EncodeVorbis(1, 8000, 4000)));
    Write(out / "chained.ogv", Join(odd, SmallVideo(32, 16, 3, false)));
}

void Sounds(const fs::path& assets, const fs::path& out) {
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(assets))
        if (entry.is_regular_file() && entry.path().extension() == ".ogg")
            Write(out / entry.path().filename(), Cut(Read(entry.path()), kMaxStreamSeed));
    const Bytes mono = sound_fixture::EncodeVorbis(1, 11025, 6000);
    Write(out / "mono-11025.ogg", mono);
    Write(out / "six-channels.ogg", sound_fixture::EncodeVorbis(6, 48000, 3000));
    // A chained stream whose second part changes the format.
    Write(out / "chained.ogg", Join(mono, sound_fixture::EncodeVorbis(2, 22050, 5000)));
}

void Workbooks(const fs::path& out) {
    const fs::path path = out / "one-student.xls";
    const std::wstring file = platform::Utf8ToWide(path.string());
    {
        ReportDocument report(file, L"Иванов Петя");
        report.AddRow(L"Время начала", L"10.03.2025 09:15:00", L"String");
        report.AddRow(L"Время поиска предмета 1", L"12", L"Number");
        report.FinishRun();
        report.Save(L"");
    }
    fs::copy_file(path, out / "two-students.xls");
    {
        ReportDocument report(platform::Utf8ToWide((out / "two-students.xls").string()),
                              L"Anna \"Smith\" & <Co>");
        report.AddRow(L"Количество вызовов справки", L"3", L"Number");
        report.FinishRun();
        report.Save(L"");
    }
    fs::copy_file(out / "two-students.xls", out / "second-run.xls");
    {
        ReportDocument report(platform::Utf8ToWide((out / "second-run.xls").string()),
                              L"Иванов Петя");
        report.AddRow(L"Общее время", L"301", L"Number");
        report.FinishRun();
        report.Save(L"");
    }
    // Saving leaves the report's lock files beside the workbooks; they are no seeds.
    for (const fs::directory_entry& entry : fs::directory_iterator(out))
        if (entry.path().filename().string().starts_with("."))
            fs::remove(entry.path());
}

// XML that the report does not write but a workbook on disk may hold: a document type with an
// internal entity and a default attribute, character data, comments and instructions, another
// encoding, XML 1.1 with a control character.
void UnusualWorkbooks(const fs::path& out) {
    const std::string workbook = "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\" "
                                 "xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\">";
    auto write = [&](const char* name, const std::string& text) {
        Write(out / name, Bytes(text.begin(), text.end()));
    };
    write("doctype.xls",
          "<?xml version=\"1.0\"?><!DOCTYPE Workbook [<!ENTITY e \"x&amp;y\">"
          "<!ATTLIST Worksheet ss:Name CDATA \"Иванов Петя\">]>" +
              workbook +
              "<Worksheet><Table><Row><Cell><Data ss:Type=\"String\">&e;</Data></Cell>"
              "</Row></Table></Worksheet></Workbook>");
    write("markup.xls", "<?xml version=\"1.0\"?>" + workbook +
                            "<!-- a note --><?pi data?><Worksheet ss:Name=\"a\"><Table><Row><Cell>"
                            "<Data ss:Type=\"String\"><![CDATA[<b>&]]>&#x41;&#1044;</Data></Cell>"
                            "</Row></Table></Worksheet></Workbook>");
    write("windows-1251.xls", "<?xml version=\"1.0\" encoding=\"windows-1251\"?>" + workbook +
                                  "<Worksheet ss:Name=\"\xcf\xe5\xf2\xff\"/></Workbook>");
    write("xml-1.1.xls", "<?xml version=\"1.1\"?>" + workbook +
                             "<Worksheet ss:Name=\"a\"><Table><Row><Cell><Data ss:Type=\"String\">"
                             "&#x1;</Data></Cell></Row></Table></Worksheet></Workbook>");
}

fs::path Fresh(const fs::path& folder) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <assets> <video fixtures> <output>\n", argv[0]);
        return 2;
    }
    const fs::path assets = argv[1];
    const fs::path out = argv[3];
    XercesSession session;
    Pictures(assets, Fresh(out / "picture"));
    Videos(assets, argv[2], Fresh(out / "theora"));
    Sounds(assets, Fresh(out / "vorbis"));
    Workbooks(Fresh(out / "workbook"));
    UnusualWorkbooks(out / "workbook");
    return 0;
}

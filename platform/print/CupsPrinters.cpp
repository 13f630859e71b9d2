// The real printers over CUPS.
//
// Implemented: the list of destinations (name, or name/instance) in the order
// CUPS gives them, the default destination, a context per destination whose
// page is the destination's default media less its hardware margins, pages
// drawn with cairo into one PDF and sent as one job when the document ends.
// Left out: fonts other than the default one, graphics, colour, and every job
// option beyond those of the destination (copies, duplex …).
#include "platform/print/SystemPrinters_c.h"

#include "platform/TextCodec.h"
#include "platform/print/PrintFont.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <cups/cups.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace platform {

namespace {

std::wstring DestinationName(const cups_dest_t& dest) {
    std::string name = dest.name;
    if (dest.instance != nullptr)
        name += std::string("/") + dest.instance;
    return Utf8ToWide(name);
}

// The destinations of the print system, released with them.
class Destinations {
public:
    Destinations() : count_(cupsGetDests2(CUPS_HTTP_DEFAULT, &dests_)) {}
    ~Destinations() { cupsFreeDests(count_, dests_); }
    Destinations(const Destinations&) = delete;
    Destinations& operator=(const Destinations&) = delete;

    const cups_dest_t* begin() const { return dests_; }
    const cups_dest_t* end() const { return dests_ + count_; }

    cups_dest_t* Find(const std::wstring& wideName) const {
        for (int i = 0; i < count_; ++i)
            if (DestinationName(dests_[i]) == wideName)
                return &dests_[i];
        return nullptr;
    }

private:
    cups_dest_t* dests_ = nullptr;
    int count_ = 0;
};

int HundredthsOfMillimetreToPixels(int value) {
    return static_cast<int>(static_cast<long long>(value) * kPrintDotsPerInch / 2540);
}

// The media a document is laid out on, in device pixels.
struct Media {
    int width = 2480;  // A4, the fallback when the printer does not say
    int height = 3508;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The destination's media: the user's "media" option when set, else the
// printer's own default. cupsGetDestMediaDefault alone answers with the
// client's locale default (Letter in the C locale) for many queues, which
// makes the spooler scale or crop every page.
Media DefaultMedia(cups_dest_t* dest) {
    Media media;
    cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest);
    if (info == nullptr)
        return media;
    std::string name;
    if (const char* option = cupsGetOption(CUPS_MEDIA, dest->num_options, dest->options))
        name = option;
    else if (ipp_attribute_t* fallback = cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, CUPS_MEDIA))
        if (const char* keyword = ippGetString(fallback, 0, nullptr))
            name = keyword;
    cups_size_t size{};
    const bool found =
        (!name.empty() && cupsGetDestMediaByName(CUPS_HTTP_DEFAULT, dest, info, name.c_str(),
                                                 CUPS_MEDIA_FLAGS_DEFAULT, &size)) ||
        cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, dest, info, CUPS_MEDIA_FLAGS_DEFAULT, &size);
    if (found && size.width > 0 && size.length > 0) {
        media.width = HundredthsOfMillimetreToPixels(size.width);
        media.height = HundredthsOfMillimetreToPixels(size.length);
        media.left = HundredthsOfMillimetreToPixels(size.left);
        media.top = HundredthsOfMillimetreToPixels(size.top);
        media.right = HundredthsOfMillimetreToPixels(size.right);
        media.bottom = HundredthsOfMillimetreToPixels(size.bottom);
    }
    cupsFreeDestInfo(info);
    return media;
}

class CupsPrintContext final : public PrintContext {
public:
    CupsPrintContext(const cups_dest_t& dest, const Media& media)
        : PrintContext(std::max(1, media.width - media.left - media.right),
                       std::max(1, media.height - media.top - media.bottom)),
          printer_(dest.name),
          media_(media) {
        for (int i = 0; i < dest.num_options; ++i)
            numOptions_ = cupsAddOption(dest.options[i].name, dest.options[i].value, numOptions_,
                                        &options_);
    }

    ~CupsPrintContext() override {
        DropDrawing();
        cupsFreeOptions(numOptions_, options_);
    }

protected:
    bool OnStartDoc(const std::wstring& documentName) override {
        title_ = WideToUtf8(documentName);
        pdf_.clear();
        const double pointsPerPixel = 72.0 / kPrintDotsPerInch;
        surface_ = cairo_pdf_surface_create_for_stream(&CupsPrintContext::Collect, this,
                                                       media_.width * pointsPerPixel,
                                                       media_.height * pointsPerPixel);
        cairo_ = cairo_create(surface_);
        if (cairo_status(cairo_) != CAIRO_STATUS_SUCCESS) {
            std::fprintf(stderr, "printing: cannot draw the document: %s\n",
                         cairo_status_to_string(cairo_status(cairo_)));
            DropDrawing();
            return false;
        }
        cairo_scale(cairo_, pointsPerPixel, pointsPerPixel);
        cairo_translate(cairo_, media_.left, media_.top);
        Font().Apply(cairo_);
        cairo_set_source_rgb(cairo_, 0, 0, 0);
        return true;
    }

    bool OnStartPage() override { return true; }

    void OnTextOut(int x, int y, const std::wstring& text) override {
        const std::string utf8 = WideToUtf8(text);
        cairo_move_to(cairo_, x, y + Font().Metrics().tmAscent);
        cairo_show_text(cairo_, utf8.c_str());
    }

    bool OnEndPage() override {
        cairo_show_page(cairo_);
        return cairo_status(cairo_) == CAIRO_STATUS_SUCCESS;
    }

    bool OnEndDoc() override {
        cairo_destroy(cairo_);
        cairo_ = nullptr;
        cairo_surface_finish(surface_);
        const cairo_status_t status = cairo_surface_status(surface_);
        cairo_surface_destroy(surface_);
        surface_ = nullptr;
        if (status != CAIRO_STATUS_SUCCESS) {
            std::fprintf(stderr, "printing: cannot draw the document: %s\n",
                         cairo_status_to_string(status));
            return false;
        }
        return Send();
    }

    void OnAbortDoc() override { DropDrawing(); }

private:
    static cairo_status_t Collect(void* closure, const unsigned char* data, unsigned int length) {
        static_cast<CupsPrintContext*>(closure)->pdf_.append(reinterpret_cast<const char*>(data),
                                                             length);
        return CAIRO_STATUS_SUCCESS;
    }

    void DropDrawing() {
        if (cairo_ != nullptr)
            cairo_destroy(cairo_);
        if (surface_ != nullptr)
            cairo_surface_destroy(surface_);
        cairo_ = nullptr;
        surface_ = nullptr;
    }

    // One job holding the whole PDF, created only once the document is
    // complete, so that a printer never sees half a document.
    bool Send() {
        const int job = cupsCreateJob(CUPS_HTTP_DEFAULT, printer_.c_str(), title_.c_str(),
                                      numOptions_, options_);
        if (job <= 0) {
            std::fprintf(stderr, "printing: %s refused the job: %s\n", printer_.c_str(),
                         cupsLastErrorString());
            return false;
        }
        bool sent = cupsStartDocument(CUPS_HTTP_DEFAULT, printer_.c_str(), job, title_.c_str(),
                                      CUPS_FORMAT_PDF, 1) == HTTP_STATUS_CONTINUE;
        constexpr size_t kChunk = 64 * 1024;
        for (size_t offset = 0; sent && offset < pdf_.size(); offset += kChunk) {
            const size_t length = std::min(kChunk, pdf_.size() - offset);
            sent = cupsWriteRequestData(CUPS_HTTP_DEFAULT, pdf_.data() + offset, length) ==
                   HTTP_STATUS_CONTINUE;
        }
        sent = cupsFinishDocument(CUPS_HTTP_DEFAULT, printer_.c_str()) == IPP_STATUS_OK && sent;
        if (!sent) {
            std::fprintf(stderr, "printing: the job for %s failed: %s\n", printer_.c_str(),
                         cupsLastErrorString());
            cupsCancelJob2(CUPS_HTTP_DEFAULT, printer_.c_str(), job, 0);
        }
        pdf_.clear();
        return sent;
    }

    std::string printer_;
    Media media_;
    int numOptions_ = 0;
    cups_option_t* options_ = nullptr;
    std::string title_;
    std::string pdf_;
    cairo_surface_t* surface_ = nullptr;
    cairo_t* cairo_ = nullptr;
};

} // namespace

std::vector<std::wstring> SystemPrinterNames() {
    std::vector<std::wstring> names;
    Destinations dests;
    for (const cups_dest_t& dest : dests)
        names.push_back(DestinationName(dest));
    return names;
}

std::wstring SystemDefaultPrinterName() {
    Destinations dests;
    for (const cups_dest_t& dest : dests)
        if (dest.is_default)
            return DestinationName(dest);
    return L"";
}

std::unique_ptr<PrintContext> OpenSystemPrinter(const std::wstring& name) {
    // Sending a job to a name CUPS does not know fails late and with a message
    // about something else, so the destination is looked up first.
    Destinations dests;
    cups_dest_t* dest = dests.Find(name);
    if (dest == nullptr) {
        std::fprintf(stderr, "printing: there is no printer named \"%s\"\n",
                     WideToUtf8(name).c_str());
        return nullptr;
    }
    return std::make_unique<CupsPrintContext>(*dest, DefaultMedia(dest));
}

} // namespace platform

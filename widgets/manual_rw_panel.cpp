#include "widgets/manual_rw_panel.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

#include <wx/button.h>
#include <wx/settings.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "link/connection.h"
#include "link/i18n.h"
#include "link/message_seam.h"
#include "link/registers.h"
#include "services/ui_seam.h"
#include "widgets/events.h"

namespace torvex {

namespace {

std::string trimmed(const std::string& text) {
    size_t from = text.find_first_not_of(" \t");
    if (from == std::string::npos) return std::string();
    size_t to = text.find_last_not_of(" \t");
    return text.substr(from, to - from + 1);
}

bool hasHexPrefix(const std::string& text) { return text.size() >= 2 && text[0] == '0' && text[1] == 'x'; }

// Digits only (no sign, no blanks) in the base, the whole text; false on overflow.
bool parseDigits(const std::string& digits, int base, uint64_t* out) {
    if (digits.empty() || digits.size() > 20) return false;
    for (char c : digits) {
        if (base == 16 ? !std::isxdigit(static_cast<unsigned char>(c)) : !std::isdigit(static_cast<unsigned char>(c)))
            return false;
    }
    errno = 0;
    char* end = nullptr;
    unsigned long long value = std::strtoull(digits.c_str(), &end, base);
    if (errno != 0 || *end != '\0') return false;
    *out = value;
    return true;
}

wxString translated(const char* key) { return wxString::FromUTF8(tr(key)); }

// The value read shows a 32-bit register on two lines: "-2147483648" over "(0x80000000)".
constexpr int kReadValueWidth = 80;
constexpr int kColumnAir = 5;
constexpr int kLabelX = 75;
constexpr int kLabelGap = 3;

void errorBox(const char* key) { ui::messageBox(translated(key), translated(kCaptionError), wxOK | wxICON_ERROR); }

}  // namespace

std::optional<uint32_t> parseManualRegister(const std::string& text) {
    std::string t = trimmed(text);
    uint64_t value = 0;
    bool ok = hasHexPrefix(t) ? parseDigits(t.substr(2), 16, &value) : parseDigits(t, 10, &value);
    if (!ok || value >= uint64_t(kRegisterCount)) return std::nullopt;
    return static_cast<uint32_t>(value);
}

std::optional<int64_t> parseManualValue(const std::string& text, bool is32bit) {
    std::string t = trimmed(text);
    bool hex = hasHexPrefix(t);
    if (hex) t = t.substr(2);
    bool negative = false;
    if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
        negative = t[0] == '-';
        t = t.substr(1);
    }
    uint64_t magnitude = 0;
    if (!parseDigits(t, hex ? 16 : 10, &magnitude)) return std::nullopt;
    const int64_t lowest = is32bit ? -2147483648LL : -32768;
    const int64_t highest = is32bit ? 4294967295LL : 65535;
    if (negative ? magnitude > uint64_t(-lowest) : magnitude > uint64_t(highest)) return std::nullopt;
    return negative ? -int64_t(magnitude) : int64_t(magnitude);
}

std::string manualValueText(uint32_t reg, uint32_t value) {
    const bool isUnsigned = isRegisterUnsigned(reg);
    if (is32bitRegister(reg)) {
        return isUnsigned ? strprintf("%u\n(0x%08x)", value, value)
                          : strprintf("%d\n(0x%08x)", static_cast<int32_t>(value), value);
    }
    const uint32_t low = value & 0xFFFFu;
    return isUnsigned ? strprintf("%u\n(0x%04x)", low, low)
                      : strprintf("%d\n(0x%04x)", static_cast<int>(static_cast<int16_t>(low)), low);
}

std::optional<std::string> changedByDriveText(uint32_t reg, int64_t written, uint32_t readBack) {
    const bool wide = is32bitRegister(reg);
    const uint32_t mask = wide ? 0xFFFFFFFFu : 0xFFFFu;
    const uint32_t sent = static_cast<uint32_t>(written) & mask;
    const uint32_t kept = readBack & mask;
    if (sent == kept) return std::nullopt;
    return strprintfRuntime(tr("Value changed by the Drive (%d (0x%x) -> %d (0x%x))!"), static_cast<int>(written),
                            static_cast<unsigned>(written), static_cast<int>(kept), kept);
}

ManualReadWritePanel::ManualReadWritePanel(wxWindow* parent, const wxPoint& pos, const wxSize& size,
                                           DriveConnection* drive)
    : BoxedPanel(parent, pos, size, drive, "Manual Read/Write") {
    const wxSize button(60, 22);
    const wxSize field(70, 20);
    // The fields and the value read stand in the right-hand column, a few pixels inside the
    // box's frame line; the labels take the room between the buttons and that column.
    const int fieldX = size.GetWidth() - kColumnAir - kReadValueWidth;
    const wxSize label(fieldX - kLabelX - kLabelGap, 16);
    writeButton_ = new wxButton(this, wxID_ANY, translated("Write"), wxPoint(8, 20), button);
    new wxStaticText(this, wxID_ANY, translated("ID register"), wxPoint(kLabelX, 23), label, wxST_NO_AUTORESIZE);
    writeRegister_ = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxPoint(fieldX, 21), field);
    new wxStaticText(this, wxID_ANY, translated("value"), wxPoint(kLabelX, 47), label, wxST_NO_AUTORESIZE);
    writeValue_ = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxPoint(fieldX, 45), field);

    readButton_ = new wxButton(this, wxID_ANY, translated("Read"), wxPoint(8, 78), button);
    new wxStaticText(this, wxID_ANY, translated("ID register"), wxPoint(kLabelX, 81), label, wxST_NO_AUTORESIZE);
    readRegister_ = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxPoint(fieldX, 79), field);
    new wxStaticText(this, wxID_ANY, translated("value"), wxPoint(kLabelX, 105), label, wxST_NO_AUTORESIZE);
    readValue_ = new wxStaticText(this, wxID_ANY, wxEmptyString, wxPoint(fieldX, 103), wxSize(kReadValueWidth, 34),
                                  wxST_NO_AUTORESIZE);
    readValue_->SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT));

    addCloseButton(wxPoint(8, size.GetHeight() - 32), button);
}

bool ManualReadWritePanel::handleButton(wxObject* source) {
    if (source == writeButton_) {
        manualWrite();
    } else if (source == readButton_) {
        manualRead();
    } else {
        return false;
    }
    return true;
}

void ManualReadWritePanel::notifyManualWrites() {
    if (!written_) return;
    written_ = false;
    sendProgramEventToParent(this, ReadAllEvent);
}

void ManualReadWritePanel::manualRead() {
    // A Read that gives no value leaves none shown: the last value read belongs to the
    // register read then, not to the number the field now holds.
    auto fail = [this](const char* key) {
        readValue_->SetLabel(wxEmptyString);
        errorBox(key);
    };
    DriveConnection* link = drive();
    if (!link || !link->isConnected()) return fail("Drive is offline!");
    std::optional<uint32_t> reg = parseManualRegister(readRegister_->GetValue().ToStdString());
    if (!reg) return fail("Wrong ID register!");
    uint32_t value = 0;
    uint32_t rc;
    if (is32bitRegister(*reg)) {
        rc = link->read32bitRegister(*reg, &value);
    } else {
        uint16_t value16 = 0;
        rc = link->read16bitRegister(*reg, &value16);
        value = value16;
    }
    if (rc != 0) return fail("Error reading register!");
    readValue_->SetLabel(wxString::FromUTF8(manualValueText(*reg, value)));
}

void ManualReadWritePanel::manualWrite() {
    DriveConnection* link = drive();
    if (!link || !link->isConnected()) return errorBox("Drive is offline!");
    std::optional<uint32_t> reg = parseManualRegister(writeRegister_->GetValue().ToStdString());
    if (!reg) return errorBox("Wrong ID register!");
    const bool wide = is32bitRegister(*reg);
    std::optional<int64_t> value = parseManualValue(writeValue_->GetValue().ToStdString(), wide);
    if (!value) return errorBox("Wrong value!");
    written_ = true;
    uint32_t readBack = 0;
    uint32_t rc;
    if (wide) {
        readBack = static_cast<uint32_t>(*value);
        rc = link->writeRead32bitRegister(*reg, &readBack);
    } else {
        uint16_t value16 = static_cast<uint16_t>(*value & 0xFFFF);
        rc = link->writeRead16bitRegister(*reg, &value16);
        readBack = value16;
    }
    if (rc == 2) return errorBox("Error reading register!");
    if (rc != 0) return errorBox("Error writing register!");
    if (std::optional<std::string> warning = changedByDriveText(*reg, *value, readBack)) {
        ui::messageBox(wxString::FromUTF8(*warning), translated(kCaptionWarning), wxOK | wxICON_EXCLAMATION);
    }
}

}  // namespace torvex

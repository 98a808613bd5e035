// Reading or writing any register by its number, typed in decimal or with "0x" in
// hexadecimal. A write through here is remembered, so that leaving the Diagnose page
// makes the frame read every page again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "widgets/boxed_panel.h"

class wxStaticText;
class wxTextCtrl;

namespace torvex {

// A register number as typed: decimal digits, or "0x" (lower-case x) and hexadecimal
// digits, blanks around it ignored; nothing when it does not parse whole or lies beyond
// 0..255.
std::optional<uint32_t> parseManualRegister(const std::string& text);
// A value to write, decimal or "0x" and hexadecimal, either with an optional sign; it must
// parse whole and fit the register: -32768..65535 (16 bits) or -2147483648..4294967295
// (32 bits).
std::optional<int64_t> parseManualValue(const std::string& text, bool is32bit);
// The read row's two lines: decimal by the register's sign, then hexadecimal in its width.
std::string manualValueText(uint32_t reg, uint32_t value);
// The warning when the drive kept another value than the one written; nothing when it
// kept it (16-bit registers compare their low 16 bits).
std::optional<std::string> changedByDriveText(uint32_t reg, int64_t written, uint32_t readBack);

class ManualReadWritePanel : public BoxedPanel {
public:
    ManualReadWritePanel(wxWindow* parent, const wxPoint& pos, const wxSize& size, DriveConnection* drive);

    // A write was tried through the panel since the last notice: asks the frame (through
    // the parent) to read every page again, once.
    void notifyManualWrites();
    bool writtenThroughPanel() const { return written_; }
    void clearWrittenThroughPanel() { written_ = false; }

    void manualRead();
    void manualWrite();

    wxButton* writeButton() const { return writeButton_; }
    wxButton* readButton() const { return readButton_; }
    wxTextCtrl* writeRegisterField() const { return writeRegister_; }
    wxTextCtrl* writeValueField() const { return writeValue_; }
    wxTextCtrl* readRegisterField() const { return readRegister_; }
    wxStaticText* readValueText() const { return readValue_; }

protected:
    void beforeClose() override { notifyManualWrites(); }
    bool handleButton(wxObject* source) override;

private:
    bool written_ = false;
    wxButton* writeButton_ = nullptr;
    wxButton* readButton_ = nullptr;
    wxTextCtrl* writeRegister_ = nullptr;
    wxTextCtrl* writeValue_ = nullptr;
    wxTextCtrl* readRegister_ = nullptr;
    wxStaticText* readValue_ = nullptr;
};

}  // namespace torvex

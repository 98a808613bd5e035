// The BUS page: the drive's CAN receive and transmit identifiers and its bit timing,
// with the bit rate that timing gives.
#pragma once

#include <optional>
#include <string>

#include "pages/drive_page.h"

namespace torvex {

class RegisterEdit;
class RegisterDisplay;

// The CAN bit rate in kbit/s of a bit-timing value: 5000 / ((TSEG1 + TSEG2 + 1) x BRP)
// with TSEG1 = bits 3..0 + 1, TSEG2 = bits 6..4 + 1 and BRP = bits 13..8 + 1.
double canBitRate(uint32_t btr);
// The read-out for a BTR field text ("%.2f"): the text must be a hexadecimal number as a
// whole (an "0x" in front is taken); anything else gives nothing.
std::optional<std::string> canBitRateText(const std::string& btrText);

class CanBusPage : public DrivePage {
public:
    CanBusPage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits);

    // Reads the identifiers and the bit timing; false at the first failed read.
    bool readFromDrive(bool onlyIfShown) { return refreshCanPage(onlyIfShown); }
    bool refreshCanPage(bool onlyIfShown);
    // A register was written elsewhere (or here): fields bound to it follow.
    void onRegisterChanged(int reg, const wxString& text, const std::optional<FieldUnits>& sender = std::nullopt);
    // Shows the bit rate of the BTR field's text.
    void updateCanBitRate();

    RegisterEdit* rxIdField() const { return rxId_; }
    RegisterEdit* txIdField() const { return txId_; }
    RegisterEdit* btrField() const { return btr_; }
    RegisterDisplay* bitRateDisplay() const { return bitRate_; }

protected:
    void afterCommit(RegisterEdit* field) override;

private:
    void buildCanBusBox(wxWindow* parent);

    RegisterEdit* rxId_ = nullptr;
    RegisterEdit* txId_ = nullptr;
    RegisterEdit* btr_ = nullptr;
    RegisterDisplay* bitRate_ = nullptr;
};

}  // namespace torvex

#include "pages/can_bus_page.h"

#include <charconv>

#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/utils.h>

#include "link/connection.h"
#include "link/i18n.h"
#include "pages/logic_bus_auto_pictures.h"
#include "pages/page_table.h"
#include "services/window_hold.h"
#include "widgets/register_display.h"
#include "widgets/register_edit.h"

namespace torvex {

namespace {

wxString translated(const char* key) { return wxString::FromUTF8(tr(key)); }

constexpr int kRegRxId = 0x68;
constexpr int kRegTxId = 0x69;
constexpr int kRegBtr = 0x73;

// Label texts beside the rows, in row order.
const char* const kRowLabels[] = {"RxID", "TxID", "BTR", "NBT"};

// The "CAN-Bus" box: four rows of a 30-pixel label and a 49 x 12 field, 5 pixels apart,
// below the box's title. Fixed places, so the table says where each control is.
constexpr int kBoxLeft = 10, kBoxTop = 10;
constexpr int kLabelLeft = kBoxLeft + 10, kFieldLeft = kLabelLeft + 35;
constexpr int kFirstRowTop = kBoxTop + 24, kRowPitch = 22;
constexpr int kBoxWidth = kFieldLeft + 49 + 10 - kBoxLeft;
constexpr int kBoxHeight = kFirstRowTop + 4 * kRowPitch + 4 - kBoxTop;

constexpr int rowTop(int row) { return kFirstRowTop + row * kRowPitch; }

// Hexadecimal whole registers, then the computed read-out.
const std::vector<ControlRow>& canBusRows() {
    static const std::vector<ControlRow> rows = {
        {.kind = RowKind::Edit, .reg = kRegRxId, .x = kFieldLeft, .y = rowTop(0), .w = 49, .h = 12, .hex = true,
         .nameKey = "CAN-BUS RxID"},
        {.kind = RowKind::Edit, .reg = kRegTxId, .x = kFieldLeft, .y = rowTop(1), .w = 49, .h = 12, .hex = true,
         .nameKey = "CAN-BUS TxID"},
        {.kind = RowKind::Edit, .reg = kRegBtr, .x = kFieldLeft, .y = rowTop(2), .w = 49, .h = 12, .hex = true,
         .nameKey = "CAN-BUS BTR"},
        // Bound to no register: the page computes it from the BTR field.
        {.kind = RowKind::Display, .reg = 0, .x = kFieldLeft, .y = rowTop(3), .w = 49, .h = 12,
         .tooltipKey = "Tooltip CAN NBT", .initialText = "calc"},
    };
    return rows;
}

}  // namespace

double canBitRate(uint32_t btr) {
    const unsigned t1 = (btr & 0xF) + 1;
    const unsigned t2 = ((btr >> 4) & 7) + 1;
    const unsigned prescaler = ((btr >> 8) & 0x3F) + 1;
    return 5000.0 / ((t1 + t2 + 1) * prescaler);
}

std::optional<std::string> canBitRateText(const std::string& btrText) {
    std::string_view digits(btrText);
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) digits.remove_prefix(2);
    if (digits.empty()) return std::nullopt;
    uint32_t value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    // Two decimals with a point whatever the process locale is.
    char text[32];
    auto [stop, failed] = std::to_chars(text, text + sizeof text, canBitRate(value), std::chars_format::fixed, 2);
    if (failed != std::errc()) return std::nullopt;
    return std::string(text, stop);
}

CanBusPage::CanBusPage(wxWindow* notebook, DriveConnection* drive, RegisterLimits* limits)
    : DrivePage(notebook, drive, limits,
                [] {
                    DrivePageOptions options;
                    options.smallFont = true;
                    options.builtinPicture = PagePicture::CanBus;
                    options.drawBuiltinPicture = drawCanBusPagePicture;
                    return options;
                }()) {
    buildCanBusBox(this);
}

void CanBusPage::buildCanBusBox(wxWindow* parent) {
    new wxStaticBox(parent, wxID_ANY, translated("CAN-Bus"), wxPoint(kBoxLeft, kBoxTop),
                    wxSize(kBoxWidth, kBoxHeight), 0, "groupBox");
    for (int row = 0; row < 4; ++row)
        new wxStaticText(parent, wxID_ANY, translated(kRowLabels[row]), wxPoint(kLabelLeft, rowTop(row) - 1),
                         wxSize(30, 14), 0, "staticText");
    // Built after the box and the labels, so they lie above the box in the stacking order.
    std::vector<wxWindow*> controls = buildControls(canBusRows());
    rxId_ = static_cast<RegisterEdit*>(controls[0]);
    txId_ = static_cast<RegisterEdit*>(controls[1]);
    btr_ = static_cast<RegisterEdit*>(controls[2]);
    bitRate_ = static_cast<RegisterDisplay*>(controls[3]);
}

bool CanBusPage::refreshCanPage(bool onlyIfShown) {
    if (onlyIfShown && !isPageShown()) return true;
    if (!drive() || !drive()->isConnected()) return false;
    WindowHold hold;
    for (RegisterEdit* field : {rxId_, txId_, btr_})
        if (!field->refreshRegisterEdit()) return false;
    updateCanBitRate();
    return true;
}

void CanBusPage::updateCanBitRate() {
    const wxString text = btr_->GetValue();
    // A blank field means the drive's value is unknown (a write it could not confirm):
    // a rate computed from the earlier value would no longer be the drive's.
    if (text.empty()) {
        bitRate_->SetLabel(wxString());
        return;
    }
    if (std::optional<std::string> rate = canBitRateText(text.utf8_string()))
        bitRate_->SetLabel(wxString::FromUTF8(*rate));
}

void CanBusPage::afterCommit(RegisterEdit* field) {
    if (field == btr_) updateCanBitRate();
}

void CanBusPage::onRegisterChanged(int reg, const wxString& text, const std::optional<FieldUnits>& sender) {
    // The bit rate follows the BTR field (afterCommit).
    followRegisterChange(reg, text, sender);
}

}  // namespace torvex

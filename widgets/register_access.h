// The fields' register operations on the program's drive connection.
#pragma once

#include "link/connection.h"
#include "widgets/field_logic.h"

namespace torvex {

class DriveRegisterAccess final : public RegisterAccess {
public:
    explicit DriveRegisterAccess(DriveConnection* drive) : drive_(drive) {}
    uint32_t read16(uint32_t reg, uint16_t* value) override { return drive_ ? drive_->read16bitRegister(reg, value) : 1; }
    uint32_t read32(uint32_t reg, uint32_t* value) override { return drive_ ? drive_->read32bitRegister(reg, value) : 1; }
    uint32_t write16(uint32_t reg, uint16_t value) override { return drive_ ? drive_->write16bitRegister(reg, value) : 1; }
    uint32_t write32(uint32_t reg, uint32_t value) override { return drive_ ? drive_->write32bitRegister(reg, value) : 1; }
    bool usable() const override { return drive_ && drive_->isConnected(); }

private:
    DriveConnection* drive_;
};

}  // namespace torvex

// The OTA command protocol's exchanges over feature report 3, and the device handshake.
#pragma once

#include <cstdint>
#include <string>

#include "updater/ota/update_engine.h"

namespace kivu::ota {

bool WriteSize(UpdateEngine& engine, std::uint32_t size);
bool InitNewCheck(UpdateEngine& engine);
bool GetInfo(UpdateEngine& engine);
bool CreateObject(UpdateEngine& engine, std::uint32_t offset);
bool CheckCrc(UpdateEngine& engine, std::uint16_t sum);
bool Upgrade(UpdateEngine& engine, std::uint32_t length, std::uint16_t sum, const std::string& upgradeTag);

// Opens the link and runs the handshake; fills the geometry and hands back the device's info.
bool OpenAndIdentify(UpdateEngine& engine, std::string& infoText, std::uint16_t& infoNumber);

// Copies a report into lastReply, zero-filled past its length.
void KeepLastReply(UpdateEngine& engine, const std::uint8_t* report, std::size_t length);

}  // namespace kivu::ota

#include "updater/ota/report_layout.h"

#include "updater/ota/checksum.h"

namespace kivu::ota {

Report MakeRequest(std::size_t length, std::uint8_t command, std::int32_t transferSequence,
                   std::int32_t runningSequence, std::uint8_t byte8, std::uint8_t byte9) {
    Report r(length);
    r.Put8(0, kReportId);
    r.Put8(kReqMarkA, 0x65);
    r.Put8(kReqMarkB, 0x3A);
    r.Put8(kReqTransferSeq, static_cast<std::uint8_t>(transferSequence));
    r.Put8(kReqCommand, command);
    // CMD_FW_OBJECT_CREATE carries the transfer sequence in byte 7 too.
    r.Put8(kReqRunningSeq, static_cast<std::uint8_t>(command == kCmdObjectCreate ? transferSequence : runningSequence));
    r.Put8(kReqByte8, byte8);
    r.Put8(kReqByte9, byte9);
    return r;
}

void SealRequest(Report& request) {
    request.Put8(kReqChecksum, 0);
    if (request.size() < 2) return;
    request.Put8(kReqChecksum, static_cast<std::uint8_t>(ByteSum32({request.data() + 1, request.size() - 1})));
}

bool ReplyAccepted(const Report& reply, std::uint8_t requestSequence) {
    return reply.Get8(kRepMark) == 0x65 && reply.Get8(kRepEcho) == requestSequence && reply.Get8(kRepStatus) == 0;
}

}  // namespace kivu::ota

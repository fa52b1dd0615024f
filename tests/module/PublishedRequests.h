// The two interfaces' published request codes, as user mode frames them:
// each request's name, its block sizes, where each block's status word
// lies, and the fields that stand in both blocks (an in/out count, length,
// id or sequence number), which come back as sent unless the handler's own
// answer replaces them.
#ifndef VL9738K_TESTS_MODULE_PUBLISHEDREQUESTS_H
#define VL9738K_TESTS_MODULE_PUBLISHEDREQUESTS_H

#include <cstdint>
#include <cstring>
#include <vector>

namespace vltest {

struct InOutField {
  uint16_t inAt;
  uint16_t outAt;
  uint16_t width;  // 0: no field
};

struct PublishedRequest {
  uint32_t code;
  uint16_t in;
  uint16_t out;
  uint16_t inStatusAt;
  uint16_t outStatusAt;
  const char* name = "";
  InOutField inOut[2] = {};
  // The leading bytes of the output block that a refused request answers
  // as all ones: the value a failed read reports.
  uint8_t refusedOnes = 0;
};

// A request whose blocks carry no status word.
inline constexpr uint16_t kNoStatus = 0xFFFF;

inline constexpr PublishedRequest kPublishedRequests[] = {
    {0x00204200, 40, 16, 32, 8, "rfplat_getSerialNumber"},
    {0x00204201, 8, 8, 4, 4, "rfplat_getModuleRev"},
    {0x00204202, 12, 12, 8, 8, "rfplat_getTemperature"},
    {0xC0204203, 40, 16, 32, 12, "rfplat_getFlashDeviceInfo"},
    {0xC0204204, 56, 4, 48, 0, "rfplat_readPartitionTable"},
    {0xC0204205, 64, 12, 60, 8, "rfplat_readPartition", {{16, 0, 4}, {56, 4, 4}}},
    {0xC0204206, 64, 8, 60, 4, "rfplat_writePartition", {{56, 0, 4}}},
    {0xC0204207, 48, 8, 44, 4, "rfplat_deletePartition", {{40, 0, 4}}},
    {0x00204208, 4, 8, 0, 4, "rfplat_getModulePowerConsumption"},
    {0x00204209, 8, 4, 4, 0, "rfplat_checkInitializationStatus"},
    {0x0020420A, 16, 8, 12, 4, "rfplat_getSubSystemVersion"},
    {0x0020420B, 12, 8, 8, 4, "rfplat_getModulePartNumber"},
    {0x0020420C, 4, 4, 0, 0, "rfplat_resetDevice"},
    {0x0020420D, 16, 8, 12, 4, "rfplat_getFlashDevices"},
    {0x0020420E, 16, 8, 12, 4, "rfplat_getConnectedDevices"},
    {0x0020420F, 40, 4, 32, 0, "rfplat_selfTest"},
    {0x00204210, 56, 8, 48, 4, "rfplat_getPartitionList"},
    {0x00204211, 8, 4, 4, 0, "rfplat_programSubsystemId_developmentUseOnly"},
    {0x00204212, 48, 12, 40, 8, "rfplat_getFirmwareRev"},
    {0x00204213, 56, 4, 48, 0, "rfplat_programFirmwareRevisions"},
    {0x00204214, 40, 16, 32, 8, "rfplat_getSerialNumberPrefix"},
    {0x00204215, 4, 4, 0, 0, "rfplat_reserveDeviceForFirmwareUpdate"},
    {0x00204216, 4, 4, 0, 0, "rfplat_unreserveDeviceAfterFirmwareUpdate"},
    {0x0020421A, 12, 8, 8, 4, "rfplat_getDriverAttributeU32"},
    {0x0020421B, 4, 8, 0, 4, "rfplat_getDriverInterfaceVersion"},
    {0x0020421C, 40, 8, 32, 4, "rfplat_getSiloVariant"},
    {0x00205200, 4, 32, 0, 24, "listmode_getTraits"},
    {0x00205201, 4, 4, 0, 0, "listmode_initiate"},
    {0x00205202, 4, 4, 0, 0, "listmode_abort"},
    {0x00205203, 16, 4, 12, 0, "listmode_setContext"},
    {0x00205204, 4, 4, 0, 0, "listmode_commit"},
    {0x00205205, 4, 4, 0, 0, "listmode_startCommitSnooping"},
    {0x00205206, 16, 4, 8, 0, "listmode_setListStepUnderCompile"},
    {0x00205207, 4, 4, 0, 0, "listmode_stopCommitSnooping"},
    {0x00205208, 4, 8, 0, 4, "listmode_getBufferSizeInElements"},
    {0x00205209, 16, 4, 12, 0, "listmode_getBufferContents"},
    {0x0020520A, 24, 4, 16, 0, "listmode_deployListSettings"},
    {0x0020520B, 4, 16, 0, 8, "listmode_readStepInProgress"},
    {0x0020520C, 4, 16, 0, 8, "listmode_readIterationInProgress"},
    {0x0020520D, 4, 8, 0, 4, "listmode_readListIsDone"},
    {0x0020520E, 4, 8, 0, 4, "listmode_readIsFifoUnderflow"},
    {0x0020520F, 4, 32, 0, 24, "listmode_readDeviceStatus"},
    {0x00205210, 8, 4, 4, 0, "listmode_waitForListTrigger"},
    {0x00205211, 8, 4, 4, 0, "listmode_generateListEvent"},
    {0x00205212, 8, 4, 4, 0, "listmode_readyForListTrigger"},
    {0x00205500, 24, 8, 20, 4, "reservation_findReservationPolicyIDDescriptor", {{16, 0, 4}}},
    {0x00205501, 24, 8, 20, 4, "reservation_findReservationClientIDDescriptor", {{16, 0, 4}}},
    {0x00205502, 24, 8, 16, 4, "reservation_findReservationPolicyID", {{12, 0, 4}}},
    {0x00205503, 24, 8, 16, 4, "reservation_findDeviceActivityContextID", {{12, 0, 4}}},
    {0x00205504, 8, 8, 4, 4, "reservation_getReservationClientID", {{0, 0, 4}}},
    {0x00205505, 12, 8, 8, 4, "reservation_getNumOfReservableChildIDs", {{4, 0, 4}}},
    {0x00205506, 24, 8, 16, 4, "reservation_findReservableChildIDs", {{4, 0, 4}}},
    {0x00205507, 40, 12, 32, 8, "reservation_reserve", {{24, 0, 8}}},
    {0x00205508, 24, 4, 16, 0, "reservation_release"},
    {0x00205509, 24, 4, 16, 0, "reservation_deferReleaseUntilIdle"},
    {0x0020550A, 16, 4, 12, 0, "reservation_setDescriptor"},
    {0x0020550B, 24, 4, 16, 0, "reservation_setReservationCache"},
    {0x0020550C, 4, 16, 0, 12, "reservation_reserveCache"},
    {0x0020550D, 4, 4, 0, 0, "reservation_releaseCache"},
    {0x0020550E, 8, 4, 4, 0, "reservation_deferReleaseCacheUntilIdle"},
    {0x0020550F, 24, 4, 16, 0, "reservation_setDescriptorAndClientID"},
    {0x00205510, 8, 4, 4, 0, "reservation_setIsListModeActive"},
    {0x00205511, 4, 4, 0, 0, "reservation_releaseIdleResources"},
    {0x00208000, 4, 8, 0, 4, "routing_queryVersion"},
    {0x00208001, 56, 12, 52, 8, "routing_calculateRoute", {{48, 4, 4}}},
    {0x00208002, 8, 4, 4, 0, "routing_destroyRoute"},
    {0x00208003, 24, 8, 20, 4, "routing_reserveRoute", {{16, 0, 4}}},
    {0x00208004, 8, 4, 4, 0, "routing_programRoute"},
    {0x00208005, 8, 4, 4, 0, "routing_unreserveRoute"},
    {0x00208006, 8, 4, 4, 0, "routing_unprogramRoute"},
    {0x00208007, 24, 8, 20, 4, "routing_getRouteTerminalPath", {{16, 0, 4}}},
    {0x00208008, 16, 4, 12, 0, "routing_getTopographyName"},
    {0x0020800A, 12, 4, 8, 0, "routing_resetTerminal"},
    {0x0020800B, 24, 8, 16, 4, "routing_calculateResetTerminal"},
    {0x00208100, 32, 4, 28, 0, "arm_write"},
    {0x00208101, 24, 8, 20, 4, "arm_read"},
    {0x00208102, 32, 4, 24, 0, "arm_flushRegister"},
    {0x00208103, 24, 4, 20, 0, "arm_refreshRegister"},
    {0x00208104, 4, 16, 0, 8, "arm_getNumberOfRegistrations"},
    {0x00208105, 16, 4, 8, 0, "arm_getRegistrationNames"},
    {0x00208108, 24, 4, 20, 0, "arm_flushRegMap"},
    {0x00208109, 32, 4, 24, 0, "arm_set"},
    {0x0020810A, 24, 8, 20, 4, "arm_get"},
    {0x0020810B, 48, 4, 44, 0, "arm_writeEx"},
    {0x0020810C, 40, 16, 32, 8, "arm_readEx"},
    {0x0020810D, 48, 4, 40, 0, "arm_setEx"},
    {0x0020810E, 40, 16, 32, 8, "arm_getEx"},
    {0x0020810F, 40, 4, 36, 0, "arm_flushRegisterEx"},
    {0x00208110, 40, 4, 32, 0, "arm_refreshRegisterEx"},
    {0x00208111, 48, 8, 40, 4, "arm_getRegisterFormat", {{20, 0, 4}}},
    {0x00208112, 4, 16, 0, 8, "arm_getSizeOfRegistrationList"},
    {0x00208113, 16, 4, 8, 0, "arm_getRegistrationList"},
    {0x80208500, 4, 4, 0, 0, "visapxipluginapalcodegen_initialize"},
    {0x80208501, 8, 32, 4, 24, "visapxipluginapalcodegen_getSpaceInfo"},
    {0x80208502, 48, 4, 44, 0, "visapxipluginapalcodegen_readBlock"},
    {0x40208503, 48, 4, 44, 0, "visapxipluginapalcodegen_writeBlock"},
    {0x80208504, 4, 4, 0, 0, "visapxipluginapalcodegen_finalize"},
    {0xC0205B00, 16, 4, 12, 0, "settingsHal_deploy"},
    {0xC0205B01, 48, 4, 44, 0, "settingsHal_sendMessage"},
    {0xC0200001, 4, 4, 0, 0, "cycleFrequency"},
};

// The FPGA-session interface: no field stands in both blocks.
inline constexpr PublishedRequest kPublishedFpgaSessionRequests[] = {
    {0x80208300, 8, 8, 4, 4, "vllym_getAttribute32", {}, 4},
    {0x40208301, 12, 4, 8, 0, "vllym_setAttribute32"},
    {0x80208302, 4, 8, 0, 4, "vllym_isSessionValid"},
    {0x4020830A, 72, 8, 64, 4, "vllym_configurePersonalityQrt"},
    {0x4020830B, 16, 0, kNoStatus, kNoStatus, "vllym_releasePersonality"},
    {0x4020830C, 16, 4, 12, 0, "vllym_downloadToFpga"},
    {0x4020830D, 4, 4, 0, 0, "vllym_abortWaits"},
    {0x4020830E, 4, 4, 0, 0, "vllym_reset"},
    {0x4020830F, 4, 4, 0, 0, "vllym_abort"},
    {0x40208310, 48, 4, 40, 0, "vllym_clientFunctionCall"},
    {0x80208314, 32, 4, 28, 0, "vllym_readBlock"},
    {0x40208315, 32, 4, 28, 0, "vllym_writeBlock"},
    {0x80208316, 8, 8, 4, 4, "vllym_read32", {}, 4},
    {0x40208317, 12, 4, 8, 0, "vllym_write32"},
    {0x00208318, 4, 8, 0, 4, "vllym_getMemoryMappedIoWindowSize", {}, 4},
    {0x4020831E, 4, 4, 0, 0, "vllym_irqNodeReserve"},
    {0x4020831F, 4, 4, 0, 0, "vllym_irqNodeUnreserve"},
    {0x40208320, 12, 12, 8, 8, "vllym_waitOnIrqs", {}, 4},
    {0x40208328, 16, 4, 12, 0, "vllym_unlockFifoBuffer"},
    {0x40208329, 16, 4, 12, 0, "vllym_startFifo"},
    {0x4020832A, 16, 4, 12, 0, "vllym_stopFifo"},
    {0x4020832B, 32, 16, 28, 12, "vllym_acquireFifoBytes", {}, 8},
    {0x4020832C, 32, 4, 24, 0, "vllym_releaseFifoBytes"},
    {0x4020832D, 16, 4, 12, 0, "vllym_unreserveFifo"},
    {0x4020832E, 56, 4, 48, 0, "vllym_deployFifoSettings"},
    {0x40208332, 16, 4, 12, 0, "vllym_downloadToFlash"},
    {0x40208333, 8, 4, 4, 0, "vllym_setFlashAutoloadMode"},
    {0x80208334, 4, 8, 0, 4, "vllym_getFlashAutoloadMode", {}, 4},
    {0x40208335, 4, 4, 0, 0, "vllym_clearFlash"},
    {0x8020833C, 8, 8, 4, 4, "vllym_getP2PEndpointId", {}, 4},
};

// An input block with every byte non-zero and the caller's error in its
// status word: a field that the frame fails to echo, or echoes from the
// wrong place, shows in the answer.
inline std::vector<uint8_t> refusedInput(const PublishedRequest& request, int32_t error) {
  std::vector<uint8_t> input(request.in);
  for (size_t i = 0; i < input.size(); ++i) input[i] = static_cast<uint8_t>(0x11 + i);
  std::memcpy(input.data() + request.inStatusAt, &error, sizeof(error));
  return input;
}

// What a request that the caller's error stopped answers: a zero block but
// for its failed value, its in/out fields as sent and the error in its
// status word.
inline std::vector<uint8_t> refusedAnswer(const PublishedRequest& request, const std::vector<uint8_t>& input) {
  std::vector<uint8_t> answer(request.out, 0);
  std::memset(answer.data(), 0xFF, request.refusedOnes);
  for (const InOutField& field : request.inOut) {
    std::memcpy(answer.data() + field.outAt, input.data() + field.inAt, field.width);
  }
  std::memcpy(answer.data() + request.outStatusAt, input.data() + request.inStatusAt, 4);
  return answer;
}

}  // namespace vltest

#endif

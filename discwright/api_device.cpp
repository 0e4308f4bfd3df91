// Grabber creation, queries and control calls of the C API.
#include <cstring>
#include <functional>

#include "api_support.h"
#include "library.h"
#include "session_information.h"

using namespace discwright;

namespace {

// Runs body on the grabber's device after the device's fault check for op.
template <class Body>
uint8_t deviceCall(DiscwrightHandle handle, const Triple& triple, const char* op, Body&& body) {
  return guarded(triple, [&] {
    auto grabber = Library::instance().handles().grabber(handle);
    grabber->device->checkFault(op);
    body(*grabber);
  });
}

uint8_t createGrabber(DiscwrightHandle* handle, const Triple& triple, DiscwrightCallback callback, void* context,
                      const char* op, const std::function<std::shared_ptr<Device>()>& find) {
  return guarded(triple, [&] {
    auto& out = required(handle, "grabber handle address");
    out = 0;
    auto grabber = std::make_shared<Grabber>();
    grabber->device = find();
    grabber->device->checkFault(op);
    grabber->callback = callback;
    grabber->context = context;
    grabber->device->attach(grabber.get());
    try {
      out = Library::instance().handles().add(grabber);
    } catch (...) {
      grabber->device->ownerGone(grabber.get());
      throw;
    }
  });
}

void copyText(char* out, const std::string& text) {
  size_t n = std::min<size_t>(text.size(), DISCWRIGHT_TEXT_SIZE - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

template <size_t N>
void copyFlags(uint8_t* out, const std::array<bool, N>& flags) {
  for (size_t i = 0; i < N; ++i) out[i] = flags[i] ? 1 : 0;
}

}  // namespace

#define TRIPLE Triple{exceptionText, exceptionTextSize, status, failureInfo}
#define TRIPLE_ARGS char *exceptionText, uint32_t exceptionTextSize, uint32_t *status, void *failureInfo

extern "C" {

uint8_t Discwright_CdvdBurnerGrabber_Create(DiscwrightHandle* grabber, TRIPLE_ARGS, DiscwrightCallback callback,
                                            void* context, uint8_t portId, uint8_t busId, uint8_t targetId,
                                            uint8_t lun, uint32_t) {
  return createGrabber(grabber, TRIPLE, callback, context, "Create",
                       [&] { return Library::instance().deviceByAddress(portId, busId, targetId, lun); });
}

uint8_t Discwright_CdvdBurnerGrabber_CreateEx(DiscwrightHandle* grabber, TRIPLE_ARGS, DiscwrightCallback callback,
                                              void* context, const char* deviceName, uint32_t) {
  return createGrabber(grabber, TRIPLE, callback, context, "CreateEx", [&] {
    return Library::instance().deviceByName(&required(deviceName, "device name"));
  });
}

uint8_t Discwright_Destroy(DiscwrightHandle* handle) {
  return guarded(Triple{nullptr, 0, nullptr, nullptr}, [&] {
    auto& h = required(handle, "handle address");
    DiscwrightHandle id = h;
    h = 0;
    if (!Library::instance().handles().remove(id))
      throw DwError(DW_E_INVALID_HANDLE, "Invalid handle " + std::to_string(id) + ": nothing to destroy");
  });
}

uint8_t Discwright_CdvdBurnerGrabber_GetDeviceInformation(DiscwrightHandle grabber, TRIPLE_ARGS, char* vendor,
                                                          char* product, char* revision, uint32_t* bufferSize) {
  return deviceCall(grabber, TRIPLE, "GetDeviceInformation", [&](Grabber& g) {
    const auto& id = g.device->identity();
    copyText(&required(vendor, "vendor buffer"), id.vendor);
    copyText(&required(product, "product buffer"), id.product);
    copyText(&required(revision, "revision buffer"), id.revision);
    required(bufferSize, "buffer size") = id.bufferSize;
  });
}

uint8_t Discwright_CdvdBurnerGrabber_GetSupportedMediaFormats(DiscwrightHandle grabber, TRIPLE_ARGS,
                                                              uint8_t formats[DW_FMT_COUNT]) {
  return deviceCall(grabber, TRIPLE, "GetSupportedMediaFormats", [&](Grabber& g) {
    copyFlags(&required(formats, "formats"), g.device->mediaFormats());
  });
}

uint8_t Discwright_CdvdBurnerGrabber_GetSupportedMediaFormatsExEx(DiscwrightHandle grabber, TRIPLE_ARGS,
                                                                  uint8_t formats[DW_FMTX_COUNT]) {
  return deviceCall(grabber, TRIPLE, "GetSupportedMediaFormatsExEx", [&](Grabber& g) {
    copyFlags(&required(formats, "formats"), g.device->mediaFormatsEx());
  });
}

uint8_t Discwright_CdvdBurnerGrabber_ProbeSupportedWriteModes(DiscwrightHandle grabber, TRIPLE_ARGS,
                                                              uint8_t modes[DW_WRITE_MODE_COUNT]) {
  return deviceCall(grabber, TRIPLE, "ProbeSupportedWriteModes", [&](Grabber& g) {
    copyFlags(&required(modes, "modes"), g.device->writeModes());
  });
}

uint8_t Discwright_CdvdBurnerGrabber_ProbeSupportedReadModes(DiscwrightHandle grabber, TRIPLE_ARGS,
                                                             uint8_t modes[DW_READ_MODE_COUNT]) {
  return deviceCall(grabber, TRIPLE, "ProbeSupportedReadModes", [&](Grabber& g) {
    copyFlags(&required(modes, "modes"), g.device->readModes());
  });
}

uint8_t Discwright_CdvdBurnerGrabber_TestUnitReady(DiscwrightHandle grabber, TRIPLE_ARGS) {
  return deviceCall(grabber, TRIPLE, "TestUnitReady", [&](Grabber& g) { g.device->testUnitReady(); });
}

uint8_t Discwright_CdvdBurnerGrabber_GetInsertedDiscType(DiscwrightHandle grabber, TRIPLE_ARGS, uint8_t* discType) {
  return deviceCall(grabber, TRIPLE, "GetInsertedDiscType",
                    [&](Grabber& g) { required(discType, "disc type") = g.device->discType(); });
}

uint8_t Discwright_CdvdBurnerGrabber_GetDiscInformation(DiscwrightHandle grabber, TRIPLE_ARGS,
                                                        DiscwrightDiscInformation* info) {
  return deviceCall(grabber, TRIPLE, "GetDiscInformation",
                    [&](Grabber& g) { required(info, "disc information") = g.device->discInformation(); });
}

uint8_t Discwright_CdvdBurnerGrabber_GetTrackInformation(DiscwrightHandle grabber, TRIPLE_ARGS, uint8_t trackNumber,
                                                         DiscwrightTrackInformation* info) {
  return deviceCall(grabber, TRIPLE, "GetTrackInformation", [&](Grabber& g) {
    required(info, "track information") = g.device->trackInformation(trackNumber);
  });
}

uint8_t Discwright_CdvdBurnerGrabber_GetTOCInformation(DiscwrightHandle grabber, TRIPLE_ARGS,
                                                       DiscwrightTocInformation* toc) {
  return deviceCall(grabber, TRIPLE, "GetTOCInformation",
                    [&](Grabber& g) { required(toc, "table of contents") = g.device->toc(); });
}

uint8_t Discwright_CdvdBurnerGrabber_GetSessionInformation(DiscwrightHandle grabber, TRIPLE_ARGS, uint16_t session,
                                                           DiscwrightSessionInformation* info) {
  return deviceCall(grabber, TRIPLE, "GetSessionInformation", [&](Grabber& g) {
    auto& out = required(info, "session information");
    out = {};
    out = sessionInformation(*g.device, session);
  });
}

uint8_t Discwright_CdvdBurnerGrabber_GetRPC(DiscwrightHandle grabber, TRIPLE_ARGS, uint8_t* scheme,
                                            uint8_t* regionMask, uint8_t* vendorResets, uint8_t* userChanges,
                                            uint8_t* typeCode) {
  return deviceCall(grabber, TRIPLE, "GetRPC", [&](Grabber& g) {
    RpcState rpc = g.device->rpc();
    required(scheme, "scheme") = rpc.scheme;
    required(regionMask, "region mask") = rpc.regionMask;
    required(vendorResets, "vendor resets") = rpc.vendorResets;
    required(userChanges, "user changes") = rpc.userChanges;
    required(typeCode, "type code") = rpc.typeCode;
  });
}

uint8_t Discwright_CdvdBurnerGrabber_GetSpeeds(DiscwrightHandle grabber, TRIPLE_ARGS, uint32_t* currentRead,
                                               uint32_t* maximumRead, uint32_t* currentWrite,
                                               uint32_t* maximumWrite) {
  return deviceCall(grabber, TRIPLE, "GetSpeeds", [&](Grabber& g) {
    Speeds s = g.device->speeds();
    required(currentRead, "current read speed") = s.currentRead;
    required(maximumRead, "maximum read speed") = s.maximumRead;
    required(currentWrite, "current write speed") = s.currentWrite;
    required(maximumWrite, "maximum write speed") = s.maximumWrite;
  });
}

uint8_t Discwright_CdvdBurnerGrabber_SetSpeeds(DiscwrightHandle grabber, TRIPLE_ARGS, uint32_t readSpeed,
                                               uint32_t writeSpeed) {
  return deviceCall(grabber, TRIPLE, "SetSpeeds", [&](Grabber& g) { g.device->setSpeeds(readSpeed, writeSpeed); });
}

uint8_t Discwright_CdvdBurnerGrabber_GetBUP(DiscwrightHandle grabber, TRIPLE_ARGS, uint8_t* enabled,
                                            uint8_t* supported) {
  return deviceCall(grabber, TRIPLE, "GetBUP", [&](Grabber& g) {
    BupState b = g.device->bup();
    required(enabled, "enabled") = b.enabled;
    required(supported, "supported") = b.supported;
  });
}

uint8_t Discwright_CdvdBurnerGrabber_SetBUP(DiscwrightHandle grabber, TRIPLE_ARGS, uint8_t enable) {
  return deviceCall(grabber, TRIPLE, "SetBUP", [&](Grabber& g) { g.device->setBup(enable != 0); });
}

uint8_t Discwright_CdvdBurnerGrabber_GetDiscFreeSpace(DiscwrightHandle grabber, TRIPLE_ARGS, uint32_t what,
                                                      uint32_t* freeBlocks, uint64_t* freeBytes) {
  return deviceCall(grabber, TRIPLE, "GetDiscFreeSpace", [&](Grabber& g) {
    uint64_t bytes = g.device->freeBytes();
    if (what & 1) required(freeBlocks, "free block count") = uint32_t(bytes / DISCWRIGHT_SECTOR_SIZE);
    if (what & 2) required(freeBytes, "free byte count") = bytes;
  });
}

uint8_t Discwright_CdvdBurnerGrabber_GetDiscUsedSpace(DiscwrightHandle grabber, TRIPLE_ARGS, uint64_t* usedBytes) {
  return deviceCall(grabber, TRIPLE, "GetDiscUsedSpace",
                    [&](Grabber& g) { required(usedBytes, "used byte count") = g.device->usedBytes(); });
}

uint8_t Discwright_CdvdBurnerGrabber_Lock(DiscwrightHandle grabber, TRIPLE_ARGS) {
  return deviceCall(grabber, TRIPLE, "Lock", [&](Grabber& g) { g.device->lock(&g); });
}

uint8_t Discwright_CdvdBurnerGrabber_Release(DiscwrightHandle grabber, TRIPLE_ARGS) {
  return deviceCall(grabber, TRIPLE, "Release", [&](Grabber& g) { g.device->release(&g); });
}

uint8_t Discwright_CdvdBurnerGrabber_Eject(DiscwrightHandle grabber, TRIPLE_ARGS) {
  return deviceCall(grabber, TRIPLE, "Eject", [&](Grabber& g) { g.device->eject(); });
}

uint8_t Discwright_CdvdBurnerGrabber_CloseTray(DiscwrightHandle grabber, TRIPLE_ARGS) {
  return deviceCall(grabber, TRIPLE, "CloseTray", [&](Grabber& g) { g.device->closeTray(); });
}

uint8_t Discwright_CdvdBurnerGrabber_CloseSession(DiscwrightHandle grabber, TRIPLE_ARGS) {
  return deviceCall(grabber, TRIPLE, "CloseSession", [&](Grabber& g) { g.device->closeSession(); });
}

uint8_t Discwright_CdvdBurnerGrabber_SendOPC(DiscwrightHandle grabber, TRIPLE_ARGS) {
  return deviceCall(grabber, TRIPLE, "SendOPC", [&](Grabber& g) { g.device->sendOpc(); });
}

uint8_t Discwright_CdvdBurnerGrabber_ReadSectors(DiscwrightHandle grabber, TRIPLE_ARGS, uint32_t lba,
                                                 uint32_t count, void* buffer) {
  return deviceCall(grabber, TRIPLE, "ReadSectors", [&](Grabber& g) {
    g.device->readSectors(lba, count, &required(static_cast<char*>(buffer), "buffer"));
  });
}

uint8_t Discwright_CdvdBurnerGrabber_Cancel(DiscwrightHandle grabber) {
  return guarded(Triple{nullptr, 0, nullptr, nullptr}, [&] {
    // Latched: a cancel that arrives just before the burn call starts still stops it.
    Library::instance().handles().grabber(grabber)->cancelRequested = true;
  });
}

}  // extern "C"

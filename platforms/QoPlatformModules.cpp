#include "platforms/QoPlatformModules.h"

#include "platforms/Amiga/QoOpenPlatformAmiga.h"
#include "platforms/AmstradCPC/QoOpenPlatformAmstradCPC.h"
#include "platforms/AppleII/QoOpenPlatformAppleII.h"
#include "platforms/AtariST/QoOpenPlatformAtariST.h"
#include "platforms/BK0010/QoOpenPlatformBK0010.h"
#include "platforms/Commodore64/QoOpenPlatformCommodore64.h"
#include "platforms/DVK/QoOpenPlatformDVK.h"
#include "platforms/ElectronikaMS0515/QoOpenPlatformElectronikaMS0515.h"
#include "platforms/MSX/QoOpenPlatformMSX.h"
#include "platforms/PMD85/QoOpenPlatformPMD85.h"
#include "platforms/SAMCoupe/QoOpenPlatformSAMCoupe.h"
#include "platforms/UKNC/QoOpenPlatformUKNC.h"
#include "platforms/Vector/QoOpenPlatformVector.h"
#include "platforms/ZxSpectrum/QoOpenPlatformZxSpectrum.h"
#include "platforms/ZxSpectrum/QoOpenPlatformZxSpectrumSnapshots.h"

namespace {

using TQoModuleRegistration = void (*)(TQoEngineRegistry&);

// Start-up order: Agat, Amiga, Amstrad CPC, Apple II, Atari ST, ATM Turbo, BBC Micro,
// BK-0010, Commodore 64, Corvette, DVK, Elektronika MS 0515, Elektronika KR-04,
// Element ZX, IBM, Irisha, Lvov, MAG, MSX, Okean-240, PC-8000, PlayStation, PMD 85,
// PP-01, Profi, RISC OS, SAM Coupé, Scorpion GMX, Sega Master System, Sinclair QL,
// Specialist, SymbOS, TI-99, Timex, TRSE, UKNC, Vector, ZX Spectrum, ZX Spectrum
// snapshots, Spectra, ULAplus. Each family takes its place here as it is built.
// clang-format off
constexpr TQoModuleRegistration kModules[] = {
    RegisterAmigaEngines,
    RegisterAmstradCPCEngines,
    RegisterAppleIIEngines,
    RegisterAtariSTEngines,
    RegisterBK0010Engines,
    RegisterCommodore64Engines,
    RegisterDVKEngines,
    RegisterElectronikaMS0515Engines,
    RegisterMSXEngines,
    RegisterPMD85Engines,
    RegisterSAMCoupeEngines,
    RegisterUKNCEngines,
    RegisterVectorEngines,
    RegisterZxSpectrumEngines,
    RegisterZxSpectrumSnapshotEngines,
};
// clang-format on

}  // namespace

void QoRegisterAllModules(TQoEngineRegistry& registry) {
  for (TQoModuleRegistration registerModule : kModules) {
    if (registerModule) registerModule(registry);
  }
}

const TQoEngineRegistry& QoDefaultRegistry() {
  static const TQoEngineRegistry registry = [] {
    TQoEngineRegistry r;
    QoRegisterAllModules(r);
    return r;
  }();
  return registry;
}

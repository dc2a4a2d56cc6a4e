#include "platforms/QoPlatformModules.h"

#include "platforms/ATMTurbo/QoOpenPlatformATMTurbo.h"
#include "platforms/Agat/QoOpenPlatformAgat.h"
#include "platforms/Amiga/QoOpenPlatformAmiga.h"
#include "platforms/AmstradCPC/QoOpenPlatformAmstradCPC.h"
#include "platforms/AppleII/QoOpenPlatformAppleII.h"
#include "platforms/AtariST/QoOpenPlatformAtariST.h"
#include "platforms/BBCMicro/QoOpenPlatformBBCMicro.h"
#include "platforms/BK0010/QoOpenPlatformBK0010.h"
#include "platforms/Commodore64/QoOpenPlatformCommodore64.h"
#include "platforms/Corvette/QoOpenPlatformCorvette.h"
#include "platforms/DVK/QoOpenPlatformDVK.h"
#include "platforms/ElectronikaMS0515/QoOpenPlatformElectronikaMS0515.h"
#include "platforms/ElektronikaKR04/QoOpenPlatformElektronikaKR04.h"
#include "platforms/ElementZX/QoOpenPlatformElementZX.h"
#include "platforms/IBM/QoOpenPlatformIBM.h"
#include "platforms/Irisha/QoOpenPlatformIrisha.h"
#include "platforms/Lvov/QoOpenPlatformLvov.h"
#include "platforms/MAG/QoOpenPlatformMAG.h"
#include "platforms/MSX/QoOpenPlatformMSX.h"
#include "platforms/Okean240/QoOpenPlatformOkean240.h"
#include "platforms/PC8000/QoOpenPlatformPC8000.h"
#include "platforms/PMD85/QoOpenPlatformPMD85.h"
#include "platforms/PP01/QoOpenPlatformPP01.h"
#include "platforms/PlayStation/QoOpenPlatformPlayStation.h"
#include "platforms/Profi/QoOpenPlatformProfi.h"
#include "platforms/RiscOS/QoOpenPlatformRiscOS.h"
#include "platforms/SAMCoupe/QoOpenPlatformSAMCoupe.h"
#include "platforms/ScorpionGMX/QoOpenPlatformScorpionGMX.h"
#include "platforms/SegaMasterSystem/QoOpenPlatformSegaMasterSystem.h"
#include "platforms/SinclairQL/QoOpenPlatformSinclairQL.h"
#include "platforms/Specialist/QoOpenPlatformSpecialist.h"
#include "platforms/Spectra/QoOpenPlatformSpectra.h"
#include "platforms/SymbOS/QoOpenPlatformSymbOS.h"
#include "platforms/TI99/QoOpenPlatformTI99.h"
#include "platforms/TRSE/QoOpenPlatformTRSE.h"
#include "platforms/Timex/QoOpenPlatformTimex.h"
#include "platforms/UKNC/QoOpenPlatformUKNC.h"
#include "platforms/ULAplus/QoOpenPlatformULAplus.h"
#include "platforms/Vector/QoOpenPlatformVector.h"
#include "platforms/ZxSpectrum/QoOpenPlatformZxSpectrum.h"
#include "platforms/ZxSpectrum/QoOpenPlatformZxSpectrumSnapshots.h"

namespace {

// Start-up order: Agat, Amiga, Amstrad CPC, Apple II, Atari ST, ATM Turbo, BBC Micro,
// BK-0010, Commodore 64, Corvette, DVK, Elektronika MS 0515, Elektronika KR-04,
// Element ZX, IBM, Irisha, Lvov, MAG, MSX, Okean-240, PC-8000, PlayStation, PMD 85,
// PP-01, Profi, RISC OS, SAM Coupé, Scorpion GMX, Sega Master System, Sinclair QL,
// Specialist, SymbOS, TI-99, Timex, TRSE, UKNC, Vector, ZX Spectrum, ZX Spectrum
// snapshots, Spectra, ULAplus. Each family takes its place here as it is built.
// clang-format off
constexpr TQoPlatformModule kModules[] = {
    {"Agat", RegisterAgatEngines},
    {"Amiga", RegisterAmigaEngines},
    {"Amstrad CPC", RegisterAmstradCPCEngines},
    {"Apple II", RegisterAppleIIEngines},
    {"Atari ST", RegisterAtariSTEngines},
    {"ATM Turbo", RegisterATMTurboEngines},
    {"BBC Micro", RegisterBBCMicroEngines},
    {"BK-0010", RegisterBK0010Engines},
    {"Commodore 64", RegisterCommodore64Engines},
    {"Corvette", RegisterCorvetteEngines},
    {"DVK", RegisterDVKEngines},
    {"Elektronika MS 0515", RegisterElectronikaMS0515Engines},
    {"Elektronika KR-04", RegisterElektronikaKR04Engines},
    {"Element ZX", RegisterElementZXEngines},
    {"IBM", RegisterIBMEngines},
    {"Irisha", RegisterIrishaEngines},
    {"Lvov", RegisterLvovEngines},
    {"MAG", RegisterMAGEngines},
    {"MSX", RegisterMSXEngines},
    {"Okean-240", RegisterOkean240Engines},
    {"PC-8000", RegisterPC8000Engines},
    {"PlayStation", RegisterPlayStationEngines},
    {"PMD 85", RegisterPMD85Engines},
    {"PP-01", RegisterPP01Engines},
    {"Profi", RegisterProfiEngines},
    {"RISC OS", RegisterRiscOSEngines},
    {"SAM Coupé", RegisterSAMCoupeEngines},
    {"Scorpion GMX", RegisterScorpionGMXEngines},
    {"Sega Master System", RegisterSegaMasterSystemEngines},
    {"Sinclair QL", RegisterSinclairQLEngines},
    {"Specialist", RegisterSpecialistEngines},
    {"SymbOS", RegisterSymbOSEngines},
    {"TI-99", RegisterTI99Engines},
    {"Timex", RegisterTimexEngines},
    {"TRSE", RegisterTRSEEngines},
    {"UKNC", RegisterUKNCEngines},
    {"Vector", RegisterVectorEngines},
    {"ZX Spectrum", RegisterZxSpectrumEngines},
    {"ZX Spectrum snapshots", RegisterZxSpectrumSnapshotEngines},
    {"Spectra", RegisterSpectraEngines},
    {"ULAplus", RegisterULAplusEngines},
};
// clang-format on

}  // namespace

std::span<const TQoPlatformModule> QoPlatformModules() {
  return kModules;
}

void QoRegisterAllModules(TQoEngineRegistry& registry) {
  for (const TQoPlatformModule& module : kModules) module.Register(registry);
}

const TQoEngineRegistry& QoDefaultRegistry() {
  static const TQoEngineRegistry registry = [] {
    TQoEngineRegistry r;
    QoRegisterAllModules(r);
    return r;
  }();
  return registry;
}

#pragma once
// The platform modules in the start-up order of the load pipeline. The order of the
// registry breaks ties between equally rated engines, so it is fixed here, explicitly,
// rather than left to static initialisers and link order.

#include <span>

#include "engine/QoLoadSource.h"

// A platform module: its name in the start-up order and the function that appends its
// engine classes.
struct TQoPlatformModule {
  const char* Name;
  void (*Register)(TQoEngineRegistry& registry);
};

// Every built module, in start-up order.
std::span<const TQoPlatformModule> QoPlatformModules();

// Appends the engine classes of every platform module, module by module.
void QoRegisterAllModules(TQoEngineRegistry& registry);

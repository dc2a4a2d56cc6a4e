#pragma once
// The platform modules in the start-up order of the load pipeline. The order of the
// registry breaks ties between equally rated engines, so it is fixed here, explicitly,
// rather than left to static initialisers and link order.

#include "engine/QoLoadSource.h"

// Appends the engine classes of every platform module, module by module.
void QoRegisterAllModules(TQoEngineRegistry& registry);

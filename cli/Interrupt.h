// SIGINT and SIGTERM end a veltmoor-cli run between two repairs instead of at
// once: the first one only sets a flag that the run's progress hooks read (they
// then throw RunStopped); a second one ends the program as the signal always did.
#pragma once

namespace veltmoor::cli {

// Thrown from a progress hook, where no repair is under way, to end the run there.
struct RunStopped {};

// Installs the handlers for SIGINT and SIGTERM.
void CatchInterrupts();

// True once SIGINT or SIGTERM has arrived.
bool Interrupted();

}  // namespace veltmoor::cli

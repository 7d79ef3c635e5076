#pragma once
// Marks what the shared library shows to its users. Every module is compiled
// with hidden symbols, so only the declarations marked here (the conversion
// fronts, their delegates, options and errors, the main queue, the
// command-line fronts, the diagnostics channel, document inspection and the
// resource lookup) are visible outside libvqpapyrant.so. A class with virtual
// functions that a user derives from or catches needs the mark too, so that
// its vtable and type information are one across the boundary.
//
// The header needs nothing, so every layer of the engine and every host may
// include it.
#define VQ_EXPORT __attribute__((visibility("default")))

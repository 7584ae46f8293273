#pragma once

// Registers the skin compiled into the program (":/skin/..."). The skin sits in a static
// library, whose resource registration the linker would otherwise drop; every reader of the
// skin calls this first. Cheap after the first call.
void EnsureSkinResources();

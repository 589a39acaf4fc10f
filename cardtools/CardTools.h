#pragma once
// Wires the card set-up windows into the palette.
void RegisterCardTools();

#pragma once

// Every printer action of a window first asks this: when no printer is present it shows
// "Não existe impressora!" (caption "Erro") and returns true, and the action does nothing else.
bool printerMissing();

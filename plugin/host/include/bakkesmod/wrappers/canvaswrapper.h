// Host SDK: drawing on the game's screen, for a drawable the plugin registered
// (GameWrapper::RegisterDrawable). The host hands the callback a canvas by value for each frame.
#pragma once

#include <cstdint>
#include <string>

#include "bakkesmod/plugin/bakkesmodsdk.h"
#include "bakkesmod/wrappers/wrapperstructs.h"

class BAKKESMOD_PLUGIN_IMPORT CanvasWrapper {
public:
    CanvasWrapper(std::uintptr_t mem);

    // Where the next string or box is drawn, in pixels from the top left corner.
    void SetPosition(Vector2F pos);
    // The colour of what is drawn next, each part 0-255.
    void SetColor(char Red, char Green, char Blue, char Alpha);
    void DrawString(std::string text, float xScale, float yScale, bool dropShadow,
                    bool wrapText = false);
    Vector2F GetStringSize(std::string text, float xScale = 1, float yScale = 1);
    void FillBox(Vector2F size);
    // The screen's size in pixels.
    Vector2 GetSize();

private:
    std::uintptr_t memory_address;
};

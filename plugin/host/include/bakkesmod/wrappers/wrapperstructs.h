// Host SDK: small plain types shared by the wrappers.
#pragma once

struct Vector2 {
    int X, Y;
};

struct Vector2F {
    float X, Y;
};

// How a toast (GameWrapper::Toast) looks: its colour and icon.
enum ToastType {
    ToastType_Info = 0,
    ToastType_OK = 1,
    ToastType_Warning = 2,
    ToastType_Error = 3,
};

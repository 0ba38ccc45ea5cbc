// Host SDK: linkage of the host's classes, and what a plugin tells the host about itself.
//
// The host library (pluginsdk) defines every wrapper class; a plugin links against it and sees
// their code as imports. The plugin itself is built with hidden visibility, so the host's
// declarations say that they come from outside. The stand-in host is built with HOST_SDK_BUILD,
// which makes the same declarations its exports.
#pragma once

#if defined(_WIN32)
#define BAKKESMOD_PLUGIN_EXPORT __declspec(dllexport)
#if defined(HOST_SDK_BUILD)
#define BAKKESMOD_PLUGIN_IMPORT __declspec(dllexport)
#else
#define BAKKESMOD_PLUGIN_IMPORT __declspec(dllimport)
#endif
#else
#define BAKKESMOD_PLUGIN_EXPORT __attribute__((visibility("default")))
#define BAKKESMOD_PLUGIN_IMPORT __attribute__((visibility("default")))
#endif

#define BAKKESMOD_PLUGIN_API_VERSION 95

// Flags telling the host where a plugin may run.
enum PLUGINTYPE {
    PLUGINTYPE_FREEPLAY = 0x01,
};

// Where a console command may run (CVarManagerWrapper::registerNotifier); 0 is everywhere.
enum {
    PERMISSION_ALL = 0,
    PERMISSION_MENU = 1 << 0,
    PERMISSION_SOCCAR = 1 << 1,
    PERMISSION_FREEPLAY = 1 << 2,
    PERMISSION_CUSTOM_TRAINING = 1 << 3,
    PERMISSION_ONLINE = 1 << 4,
    PERMISSION_PAUSEMENU_CLOSED = 1 << 5,
    PERMISSION_REPLAY = 1 << 6,
    PERMISSION_OFFLINE = 1 << 7,
};

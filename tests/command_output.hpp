// Test support: run a shell command and take what it prints.
#pragma once

#include <stdio.h>

#include <array>
#include <string>

namespace testing_support {

struct CommandResult {
    int status = -1;  // as pclose reports it; 0 for a clean exit
    std::string output;
};

inline CommandResult RunCommand(const std::string& command) {
    CommandResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    std::array<char, 512> chunk{};
    while (fgets(chunk.data(), static_cast<int>(chunk.size()), pipe) != nullptr) {
        result.output += chunk.data();
    }
    result.status = pclose(pipe);
    return result;
}

}  // namespace testing_support

#pragma once

#include <CLI/CLI.hpp>

namespace sundrel::cli {

// Exit statuses shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitInput = 2;
inline constexpr int kExitOutput = 3;

// Each command registers its subcommand and sets `status` when it runs.
void AddInfoCommand(CLI::App& app, int& status);
void AddSplitCommand(CLI::App& app, int& status);
void AddProjectCommand(CLI::App& app, int& status);

} // namespace sundrel::cli

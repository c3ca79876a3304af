#pragma once

// The player from command line to exit code.
int RunPlayer(int argc, char** argv);

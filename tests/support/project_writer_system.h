// The project-wide files of a test project: data\System.dat,
// data\WorldMap.dat and user_data\Option.dat at their defaults, written by
// the program's own Save into the current directory (a project root whose
// data\ and user_data\ folders exist). WriteProject calls it.
#pragma once

bool WriteSystemFiles();

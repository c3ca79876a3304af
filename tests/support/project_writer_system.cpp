#include "support/project_writer_system.h"

#include "records/option_data.h"
#include "records/system_data.h"
#include "records/worldmap_data.h"

bool WriteSystemFiles() {
  cSystemData system;
  cWorldMapData map;
  cOptionData option;
  return system.SaveToFile("data\\System.dat") && map.SaveToFile("data\\WorldMap.dat") &&
         option.SaveToFile("user_data\\Option.dat");
}

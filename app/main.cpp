#include "app/station.h"

int main(int argc, char** argv) { return vantora::RunStation(argc, argv); }

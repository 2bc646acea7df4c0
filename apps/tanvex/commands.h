// Subcommands of the console front end. argv[0] is the subcommand's name.
#pragma once

int cmdAnalyse(int argc, char** argv);
int cmdCalc(int argc, char** argv);
int cmdSchematic(int argc, char** argv);
int cmdPlacer(int argc, char** argv);

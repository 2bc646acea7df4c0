// Subcommands of the console front end. argv[0] is the subcommand's name.
#pragma once

int cmdAnalyse(int argc, char** argv);
int cmdCalc(int argc, char** argv);
int cmdSchematic(int argc, char** argv);
int cmdS2p(int argc, char** argv);
int cmdTouchstone(int argc, char** argv);
int cmdEdit(int argc, char** argv);
int cmdOptimise(int argc, char** argv);
int cmdPower(int argc, char** argv);
int cmdTimeDomain(int argc, char** argv);
int cmdReport(int argc, char** argv);
int cmdParts(int argc, char** argv);
int cmdScript(int argc, char** argv);
int cmdPlacer(int argc, char** argv);
int cmdEqualize(int argc, char** argv);

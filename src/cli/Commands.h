#pragma once

#include "Command.h"
#include "CommandLine.h"

// The commands of rk5720-cli in the order their help lists them.
const QList<Command>& Commands();

// The commands' run functions; each returns the process's exit code.
int RunRead(const CommandLine& line);
int RunWrite(const CommandLine& line);
int RunExport(const CommandLine& line);
int RunImport(const CommandLine& line);
int RunImageInfo(const CommandLine& line);
int RunUpgrade(const CommandLine& line);
int RunCompare(const CommandLine& line);
int RunRemoteCom(const CommandLine& line);
int RunInstrument(const CommandLine& line);
int RunModbus(const CommandLine& line);
int RunScan(const CommandLine& line);
int RunApply(const CommandLine& line);

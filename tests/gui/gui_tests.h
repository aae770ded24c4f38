#pragma once

// Each test class of gui_tests runs through one of these (Qt Test runs one object at a time).
int RunQtUserSeamTests(int argc, char** argv);
int RunFrmMainTests(int argc, char** argv);
int RunSingleInstanceTests(int argc, char** argv);
int RunFrmDocTests(int argc, char** argv);
int RunMdiMessageWindowsTests(int argc, char** argv);
int RunFrmBusyTests(int argc, char** argv);

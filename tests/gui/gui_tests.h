#pragma once

// Each test class of gui_tests runs through one of these (Qt Test runs one object at a time).
int RunQtUserSeamTests(int argc, char** argv);
int RunFrmMainTests(int argc, char** argv);
int RunSingleInstanceTests(int argc, char** argv);
int RunTreeModelTests(int argc, char** argv);
int RunFrmOptionsTests(int argc, char** argv);

#pragma once
// Resource numbers shared by the programs' resource scripts and their code.

#define IDI_UPDATE 101
#define IDI_COMPARE 102

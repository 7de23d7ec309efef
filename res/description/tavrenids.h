/* Registered ids of the plug-in's command, deformer and bind tag. Plain definitions only, so
 * that the plug-in, the host application and the command line all read the same numbers
 * (scene files store nodes by these ids: never change one). */
#ifndef TAVRENIDS_H__
#define TAVRENIDS_H__

#define ID_ADDTAVRENCMD 1035622
#define ID_OTAVREN 1035447
#define ID_TTAVREN 1035496

#endif

// A small shader runtime with the operations the renderer needs: it compiles
// Cg-named source files as GLSL 1.20 (compatibility profile) for the stage of
// each profile, links the bound pair on demand and tracks errors Cg-style.
#pragma once

typedef struct CgContextRecord* CGcontext;
typedef struct CgProgramRecord* CGprogram;
typedef struct CgParameterRecord* CGparameter;

typedef enum {
  CG_PROFILE_UNKNOWN = 6145,
  CG_PROFILE_VP20 = 6146,
  CG_PROFILE_FP20 = 6147,
  CG_PROFILE_VP30 = 6148,
  CG_PROFILE_FP30 = 6149,
  CG_PROFILE_ARBVP1 = 6150,
  CG_PROFILE_ARBFP1 = 7000
} CGprofile;

typedef enum { CG_SOURCE = 4112, CG_OBJECT = 4113 } CGenum;

typedef int CGerror;
enum {
  CG_NO_ERROR = 0,
  CG_COMPILER_ERROR,
  CG_INVALID_PARAMETER_ERROR,
  CG_INVALID_PROFILE_ERROR,
  CG_PROGRAM_LOAD_ERROR,
  CG_PROGRAM_NOT_LOADED_ERROR,
  CG_INVALID_ENUMERANT_ERROR,
  CG_FILE_READ_ERROR,
  CG_INVALID_CONTEXT_HANDLE_ERROR,
  CG_INVALID_PROGRAM_HANDLE_ERROR
};

typedef unsigned char CGbool;

// Errors: the first error stays pending until cgGetError returns and clears
// it, so a follow-on failure (loading a program that did not compile) cannot
// hide its cause. cgGetLastListing gives the context's last compile or link
// log, or null when the last step left none.
CGcontext cgCreateContext();
CGprogram cgCreateProgramFromFile(CGcontext context, CGenum programType, const char* fileName,
                                  CGprofile profile, const char* entry, const char** args);
CGerror cgGetError();
const char* cgGetErrorString(CGerror error);
const char* cgGetLastListing(CGcontext context);
CGparameter cgGetNamedParameter(CGprogram program, const char* name);

CGbool cgGLIsProfileSupported(CGprofile profile);
void cgGLLoadProgram(CGprogram program);
void cgGLBindProgram(CGprogram program);
void cgGLEnableProfile(CGprofile profile);
void cgGLDisableProfile(CGprofile profile);
void cgGLSetParameter3fv(CGparameter param, const float* v);

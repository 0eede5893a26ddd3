// The shader runtime: Cg-style handles and errors over GLSL programs. Each
// program is compiled when created; the programs bound to the enabled profiles
// are linked together on demand, and every linked pair is kept.
#include "cg/cg_runtime.h"

#include <cstdlib>
#include <deque>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cg/glsl_source.h"
#include "cg/shader_backend.h"

using cgrt::Stage;

struct CgContextRecord {
  std::string listing;
  bool hasListing = false;
};

struct CgProgramRecord {
  CGcontext context;
  CGprofile profile;
  Stage stage;
  unsigned shader;
  std::vector<std::pair<std::string, int>> samplerUnits;
  bool loaded;
};

struct CgParameterRecord {
  CGprogram program;
  std::string name;
  float value[3];
  unsigned version;  // 0 until a value is set
};

namespace {

struct LinkedPair {
  CGprogram vertex;
  CGprogram fragment;
  unsigned program;  // 0 when linking failed
  std::vector<std::pair<CGparameter, unsigned>> applied;  // parameter, version
};

struct ProfileBinding {
  CGprofile profile;
  CGprogram program;
};

struct Runtime {
  cgrt::GlShaderBackend glBackend;
  cgrt::ShaderBackend* backend = &glBackend;
  CGerror pendingError = CG_NO_ERROR;
  std::vector<std::unique_ptr<CgContextRecord>> contexts;
  std::vector<std::unique_ptr<CgProgramRecord>> programs;
  std::vector<std::unique_ptr<CgParameterRecord>> parameters;
  std::vector<ProfileBinding> bindings;
  CGprofile enabled[2] = {CG_PROFILE_UNKNOWN, CG_PROFILE_UNKNOWN};
  std::deque<LinkedPair> pairs;   // never erased, so pointers into it stay valid
  LinkedPair* current = nullptr;  // the pair in use, null for fixed function
};

Runtime& State() {
  static Runtime runtime;
  return runtime;
}

void RaiseError(CGerror error) {
  if (State().pendingError == CG_NO_ERROR) State().pendingError = error;
}

void SetListing(CGcontext context, const std::string& listing) {
  context->listing = listing;
  context->hasListing = !listing.empty();
}

template <typename Record>
bool IsKnown(const std::vector<std::unique_ptr<Record>>& records, const Record* handle) {
  if (!handle) return false;
  for (const auto& record : records)
    if (record.get() == handle) return true;
  return false;
}

bool StageOf(CGprofile profile, Stage& stage) {
  switch (profile) {
    case CG_PROFILE_ARBVP1:
    case CG_PROFILE_VP30:
    case CG_PROFILE_VP20:
      stage = Stage::Vertex;
      return true;
    case CG_PROFILE_FP30:
    case CG_PROFILE_FP20:
    case CG_PROFILE_ARBFP1:
      stage = Stage::Fragment;
      return true;
    default:
      return false;
  }
}

int StageIndex(Stage stage) { return stage == Stage::Vertex ? 0 : 1; }

bool HasExtension(const std::string& extensions, const char* name) {
  std::istringstream words(extensions);
  std::string word;
  while (words >> word)
    if (word == name) return true;
  return false;
}

bool HasShadingLanguage(const std::string& version, const std::string& extensions) {
  if (std::atoi(version.c_str()) >= 2) return true;
  return HasExtension(extensions, "GL_ARB_shading_language_100") &&
         HasExtension(extensions, "GL_ARB_shader_objects");
}

CGprogram BoundProgram(CGprofile profile) {
  if (profile == CG_PROFILE_UNKNOWN) return nullptr;
  for (const ProfileBinding& binding : State().bindings)
    if (binding.profile == profile) return binding.program;
  return nullptr;
}

// Links (once) the pair of programs; a failed link is kept too, so it is not
// retried on every frame.
LinkedPair& FindOrLinkPair(CGprogram vertex, CGprogram fragment) {
  Runtime& rt = State();
  for (LinkedPair& pair : rt.pairs)
    if (pair.vertex == vertex && pair.fragment == fragment) return pair;
  std::string log;
  const unsigned program = rt.backend->LinkProgram(vertex ? vertex->shader : 0,
                                                   fragment ? fragment->shader : 0, log);
  if (program == 0) {
    SetListing(vertex ? vertex->context : fragment->context, log.empty() ? "link failed" : log);
    RaiseError(CG_PROGRAM_LOAD_ERROR);
  } else {
    // Sampler units are uniforms of the linked program and set only while it is in use.
    rt.backend->UseProgram(program);
    for (CGprogram stage : {vertex, fragment}) {
      if (!stage) continue;
      for (const auto& sampler : stage->samplerUnits) {
        const int location = rt.backend->UniformLocation(program, sampler.first.c_str());
        if (location >= 0) rt.backend->SetUniform1i(location, sampler.second);
      }
    }
    rt.backend->UseProgram(rt.current ? rt.current->program : 0);
  }
  rt.pairs.push_back(LinkedPair{vertex, fragment, program, {}});
  return rt.pairs.back();
}

// Sends the program in use every parameter value it has not seen yet.
void ApplyParameters(LinkedPair& pair) {
  Runtime& rt = State();
  for (const auto& parameter : rt.parameters) {
    CgParameterRecord& p = *parameter;
    if (p.version == 0 || (p.program != pair.vertex && p.program != pair.fragment)) continue;
    auto seen = pair.applied.begin();
    while (seen != pair.applied.end() && seen->first != &p) ++seen;
    if (seen == pair.applied.end()) {
      pair.applied.emplace_back(&p, 0);
      seen = pair.applied.end() - 1;
    }
    if (seen->second == p.version) continue;
    const int location = rt.backend->UniformLocation(pair.program, p.name.c_str());
    if (location >= 0) rt.backend->SetUniform3fv(location, p.value);
    seen->second = p.version;
  }
}

void UpdatePipeline() {
  Runtime& rt = State();
  CGprogram vertex = BoundProgram(rt.enabled[0]);
  CGprogram fragment = BoundProgram(rt.enabled[1]);
  if (!vertex && !fragment) {
    rt.current = nullptr;
    rt.backend->UseProgram(0);
    return;
  }
  LinkedPair& pair = FindOrLinkPair(vertex, fragment);
  rt.current = pair.program ? &pair : nullptr;
  rt.backend->UseProgram(pair.program);
  if (rt.current) ApplyParameters(pair);
}

bool ReadFile(const char* fileName, std::string& text) {
  std::ifstream file(fileName, std::ios::binary);
  if (!file) return false;
  text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad();
}

}  // namespace

namespace cgrt {

void ResetRuntime(ShaderBackend* backend) {
  Runtime& rt = State();
  rt.backend = backend ? backend : &rt.glBackend;
  rt.pendingError = CG_NO_ERROR;
  rt.contexts.clear();
  rt.programs.clear();
  rt.parameters.clear();
  rt.bindings.clear();
  rt.enabled[0] = rt.enabled[1] = CG_PROFILE_UNKNOWN;
  rt.pairs.clear();
  rt.current = nullptr;
}

}  // namespace cgrt

CGcontext cgCreateContext() {
  State().contexts.push_back(std::make_unique<CgContextRecord>());
  return State().contexts.back().get();
}

CGprogram cgCreateProgramFromFile(CGcontext context, CGenum programType, const char* fileName,
                                  CGprofile profile, const char* entry, const char** args) {
  Runtime& rt = State();
  Stage stage;
  if (!IsKnown(rt.contexts, context)) {
    RaiseError(CG_INVALID_CONTEXT_HANDLE_ERROR);
    return nullptr;
  }
  if (programType != CG_SOURCE) {
    RaiseError(CG_INVALID_ENUMERANT_ERROR);
    return nullptr;
  }
  if (!StageOf(profile, stage)) {
    RaiseError(CG_INVALID_PROFILE_ERROR);
    return nullptr;
  }
  if (!fileName) {
    RaiseError(CG_INVALID_PARAMETER_ERROR);
    return nullptr;
  }
  bool positionInvariant = false;
  std::vector<std::string> defines;
  for (const char** arg = args; arg && *arg; ++arg) {
    const std::string option = *arg;
    if (option == "-posinv") {
      positionInvariant = true;
    } else if (option.size() > 2 && option.compare(0, 2, "-D") == 0 && option[2] != '=') {
      defines.push_back(option.substr(2));
    } else {
      // A misspelt option must not quietly give a different program.
      SetListing(context, std::string(fileName) + ": unknown compiler option " + *arg);
      RaiseError(CG_INVALID_PARAMETER_ERROR);
      return nullptr;
    }
  }
  std::string text;
  if (!ReadFile(fileName, text)) {
    SetListing(context, std::string(fileName) + ": cannot open file");
    RaiseError(CG_FILE_READ_ERROR);
    return nullptr;
  }
  cgrt::PreparedSource prepared = cgrt::PrepareGlslSource(text, stage, entry, positionInvariant, defines);
  std::string log;
  const unsigned shader = rt.backend->CompileShader(stage, prepared.source, log);
  SetListing(context, log.empty() ? std::string() : std::string(fileName) + ":\n" + log);
  if (shader == 0) {
    if (log.empty()) SetListing(context, std::string(fileName) + ": compile failed");
    RaiseError(CG_COMPILER_ERROR);
    return nullptr;
  }
  rt.programs.push_back(std::unique_ptr<CgProgramRecord>(new CgProgramRecord{
      context, profile, stage, shader, std::move(prepared.samplerUnits), false}));
  return rt.programs.back().get();
}

CGerror cgGetError() {
  const CGerror error = State().pendingError;
  State().pendingError = CG_NO_ERROR;
  return error;
}

const char* cgGetErrorString(CGerror error) {
  switch (error) {
    case CG_NO_ERROR: return "No error has occurred.";
    case CG_COMPILER_ERROR: return "The compile returned an error.";
    case CG_INVALID_PARAMETER_ERROR: return "The parameter used is invalid.";
    case CG_INVALID_PROFILE_ERROR: return "The profile is not supported.";
    case CG_PROGRAM_LOAD_ERROR: return "The program could not be loaded.";
    case CG_PROGRAM_NOT_LOADED_ERROR: return "The program must be loaded before this operation.";
    case CG_INVALID_ENUMERANT_ERROR: return "The enumerant parameter has an invalid value.";
    case CG_FILE_READ_ERROR: return "The file could not be read.";
    case CG_INVALID_CONTEXT_HANDLE_ERROR: return "Invalid context handle.";
    case CG_INVALID_PROGRAM_HANDLE_ERROR: return "Invalid program handle.";
    default: return nullptr;
  }
}

const char* cgGetLastListing(CGcontext context) {
  if (!IsKnown(State().contexts, context) || !context->hasListing) return nullptr;
  return context->listing.c_str();
}

CGparameter cgGetNamedParameter(CGprogram program, const char* name) {
  Runtime& rt = State();
  if (!IsKnown(rt.programs, program)) {
    RaiseError(CG_INVALID_PROGRAM_HANDLE_ERROR);
    return nullptr;
  }
  if (!name) {
    RaiseError(CG_INVALID_PARAMETER_ERROR);
    return nullptr;
  }
  for (const auto& parameter : rt.parameters)
    if (parameter->program == program && parameter->name == name) return parameter.get();
  // Whether the program really uses the name shows only when it is linked;
  // a value for a name it lacks is then dropped.
  rt.parameters.push_back(std::unique_ptr<CgParameterRecord>(
      new CgParameterRecord{program, name, {0.0f, 0.0f, 0.0f}, 0}));
  return rt.parameters.back().get();
}

CGbool cgGLIsProfileSupported(CGprofile profile) {
  Stage stage;
  if (!StageOf(profile, stage)) return 0;
  const std::string extensions = State().backend->Extensions();
  if (!HasShadingLanguage(State().backend->Version(), extensions)) return 0;
  switch (profile) {
    case CG_PROFILE_ARBVP1: return HasExtension(extensions, "GL_ARB_vertex_program");
    case CG_PROFILE_VP30: return HasExtension(extensions, "GL_NV_vertex_program2");
    case CG_PROFILE_VP20: return HasExtension(extensions, "GL_NV_vertex_program1_1");
    case CG_PROFILE_FP30: return HasExtension(extensions, "GL_NV_fragment_program");
    case CG_PROFILE_FP20:
      return HasExtension(extensions, "GL_NV_register_combiners") &&
             HasExtension(extensions, "GL_NV_texture_shader");
    case CG_PROFILE_ARBFP1: return HasExtension(extensions, "GL_ARB_fragment_program");
    default: return 0;
  }
}

void cgGLLoadProgram(CGprogram program) {
  if (!IsKnown(State().programs, program)) {
    RaiseError(CG_INVALID_PROGRAM_HANDLE_ERROR);
    return;
  }
  // Linking the stage on its own proves it loadable; the result is the pair
  // used while only this stage's profile is enabled.
  const bool vertex = program->stage == Stage::Vertex;
  const LinkedPair& pair = FindOrLinkPair(vertex ? program : nullptr, vertex ? nullptr : program);
  program->loaded = pair.program != 0;
  if (!program->loaded) RaiseError(CG_PROGRAM_LOAD_ERROR);
}

void cgGLBindProgram(CGprogram program) {
  Runtime& rt = State();
  if (!IsKnown(rt.programs, program)) {
    RaiseError(CG_INVALID_PROGRAM_HANDLE_ERROR);
    return;
  }
  if (!program->loaded) {
    RaiseError(CG_PROGRAM_NOT_LOADED_ERROR);
    return;
  }
  bool found = false;
  for (ProfileBinding& binding : rt.bindings) {
    if (binding.profile == program->profile) {
      binding.program = program;
      found = true;
    }
  }
  if (!found) rt.bindings.push_back(ProfileBinding{program->profile, program});
  if (rt.enabled[StageIndex(program->stage)] == program->profile) UpdatePipeline();
}

void cgGLEnableProfile(CGprofile profile) {
  Stage stage;
  if (!StageOf(profile, stage)) {
    RaiseError(CG_INVALID_PROFILE_ERROR);
    return;
  }
  State().enabled[StageIndex(stage)] = profile;
  UpdatePipeline();
}

void cgGLDisableProfile(CGprofile profile) {
  Stage stage;
  if (!StageOf(profile, stage)) {
    RaiseError(CG_INVALID_PROFILE_ERROR);
    return;
  }
  CGprofile& enabled = State().enabled[StageIndex(stage)];
  if (enabled == profile) enabled = CG_PROFILE_UNKNOWN;
  UpdatePipeline();
}

void cgGLSetParameter3fv(CGparameter param, const float* v) {
  Runtime& rt = State();
  if (!IsKnown(rt.parameters, param) || !v) {
    RaiseError(CG_INVALID_PARAMETER_ERROR);
    return;
  }
  for (int i = 0; i < 3; ++i) param->value[i] = v[i];
  ++param->version;
  // The pair in use takes the value now; any other on its next use.
  if (rt.current) ApplyParameters(*rt.current);
}

// The volume renderer: the volume on show, its gradients, the transfer
// function, the shader programs and the slice stack.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <string>

#include "cg/cg_runtime.h"

class VolRender {
public:
  // Thrown by the raw-file loaders.
  class Error {
  public:
    explicit Error(const char* text = nullptr);
    std::string message;
  };

  // Thrown by the shader set-up: the runtime's error text and its listing.
  class CgError {
  public:
    CgError(const char* message, const char* listing);
    std::string message;
    std::string listing;
  };

  VolRender();
  virtual ~VolRender();

  void Init();
  void SetTransferFunction(const float* table);
  void UploadVolume();
  void SetData(float* buffer, int32_t x, int32_t y, int32_t z);
  // Every upload shows the new volume as a cube; a volume whose physical
  // sides differ gives them here, after the upload, over its longest side.
  // Gradients built afterwards are then taken per unit of length, so
  // voxels longer on one axis do not tilt the lit surface towards it.
  void SetProportions(float x, float y, float z);
  void BuildGradients();
  // SetData, SetProportions and BuildGradients for a volume shown once, not
  // every frame, holding as little memory at a time as it can: gradients
  // first, and no upload buffer outlives its upload (for a large texture
  // they come to several times its size). Borrows `buffer` like SetData.
  void ShowVolume(float* buffer, int32_t x, int32_t y, int32_t z,
                  const std::array<float, 3>& shape);

  void InitShaders();
  void CheckCgError();

  void BuildSlices();
  void Draw();

  void LoadRawData(const char* fileName, int32_t sizeX, int32_t sizeY, int32_t sizeZ,
                   int32_t channels);
  void LoadRawSubVolume(const char* fileName, int32_t fileSizeX, int32_t fileSizeY,
                        int32_t fileSizeZ, int32_t channels, int32_t originX, int32_t originY,
                        int32_t originZ, int32_t extentX, int32_t extentY, int32_t extentZ,
                        int32_t newSizeX, int32_t newSizeY, int32_t newSizeZ);

  int32_t sizeX;
  int32_t sizeY;
  int32_t sizeZ;
  float proportions[3];
  std::array<double, 3> gradientScale;  // per axis, see SetProportions
  float* data;
  bool ownsData;
  GLuint volumeTexture;
  int8_t channels;
  float* gradientData;
  GLuint gradientTexture;
  bool extraClipEnabled;
  int32_t clipDistance;
  float angleZ;
  float angleX;
  int32_t sliceCount;
  GLuint sliceList;
  CGcontext cgContext;
  CGprofile vertexProfile;
  CGprofile fragmentProfile;
  CGprogram vertexProgram;
  CGprogram fragmentProgram;
  CGparameter lightPosParam;
  GLuint transferTexture;

private:
  // SetData without the upload.
  void AdoptData(float* buffer, int32_t x, int32_t y, int32_t z);
  // The mip levels built for the GL and the gradient buffer.
  void ReleaseUploadBuffers();
};

extern VolRender gRenderer;

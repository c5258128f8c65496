// Window set-up, projection and the render loop's display callback.
#include "viewer/window.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include "viewer/comparison_layers.h"
#include "viewer/engine_layers.h"
#include "viewer/model_layer.h"
#include "viewer/scene.h"
#include "viewer/swap_interval.h"
#include "viewer/view_state.h"

static_assert((GLUT_RGBA | GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH) == 26);

void initWindow(int& argc, char** argv) {
  glutInit(&argc, argv);
  // Closing the window returns from glutMainLoop instead of exiting inside freeglut, so the
  // driver releases its objects and ends with status 0.
  glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
  glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH);
  glutInitWindowPosition(WINDOW_X, WINDOW_Y);
  glutInitWindowSize(WINDOW_WIDTH, WINDOW_HEIGHT);
  glutCreateWindow(WINDOW_TITLE);
  reshape(WINDOW_WIDTH, WINDOW_HEIGHT);
}

void initGL() {
  glShadeModel(GL_SMOOTH);
  glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
  glClearDepth(1.0);
  glDepthFunc(GL_LEQUAL);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  // Without it an open demo redraws as fast as it can and keeps a whole core busy.
  requestSwapInterval(1);
}

void reshape(int width, int height) {
  if (height == 0) {
    height = 1;
  }
  if (width == 0) {
    width = 1;
  }
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(75.0, static_cast<double>(width) / static_cast<double>(height), 1.0, 100000.0);
  glMatrixMode(GL_MODELVIEW);
}

void display() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  glTranslatef(0.0f, 0.0f, viewState.cameraZ);
  glRotatef(viewState.rotationX, 1.0f, 0.0f, 0.0f);
  glRotatef(viewState.rotationY, 0.0f, 1.0f, 0.0f);
  // Opaque, so first: the translucent layers then blend over it.
  if (modelListBase != 0 && viewState.showModel) {
    glCallList(modelListBase);
  }
  if (viewState.showPointsAndHull) {
    glCallList(displayListBase);
  }
  if (viewState.showBox) {
    glCallList(displayListBase + 1);
  }
  if (viewState.showBoxSphere) {
    glCallList(displayListBase + 2);
  }
  if (viewState.showMinimalSphere) {
    glCallList(displayListBase + 3);
  }
  if (comparisonListBase != 0) {
    const bool shown[] = {viewState.showMinimumBox, viewState.showAxisAlignedBox,
                          viewState.showDop26, viewState.showRitterSphere};
    for (unsigned int k = 0; k < 4; ++k) {
      if (shown[k])
        glCallList(comparisonListBase + k);
    }
  }
  drawEngineLayers(viewState);
  if (viewState.showLegend) {
    drawLegend(legendText);
  }
  glFlush();
  glutSwapBuffers();
  glutPostRedisplay();
}

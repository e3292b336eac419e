#include "figure.h"

#include "gl.h"
#include "figure_mesh.h"

namespace {

const GLfloat kDiffuse[4] = {0.8f, 0.8f, 0.0f, 1.0f};
const GLfloat kSpecular[4] = {1.0f, 1.0f, 0.7f, 1.0f};
const GLfloat kAmbient[4] = {0.0f, 0.0f, 0.0f, 1.0f};
const GLint kShininess = 100;
const GLfloat kEmission[4] = {0.1f, 0.1f, 0.0f, 1.0f};

} // namespace

void DrawFigure(void) {
    // The whole material every time: other objects change it between frames.
    glMaterialfv(GL_FRONT, GL_DIFFUSE, kDiffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, kSpecular);
    glMaterialfv(GL_FRONT, GL_AMBIENT, kAmbient);
    glMateriali(GL_FRONT, GL_SHININESS, kShininess);
    glMaterialfv(GL_FRONT, GL_EMISSION, kEmission);

    glPushMatrix();
    glScalef(0.4f, 0.4f, 0.4f);
    glBegin(GL_TRIANGLES);
    for (int32_t t = 0; t < FigureMesh::triangleCount; ++t) {
        for (int k = 0; k < 3; ++k) {
            glNormal3fv(FigureMesh::normals[FigureMesh::normalIndex[t][k]]);
            glVertex3fv(FigureMesh::positions[FigureMesh::positionIndex[t][k]]);
        }
    }
    glEnd();
    glPopMatrix();
}

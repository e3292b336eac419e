// One bubble cluster: the cyclers advance, then the shell and the three small spheres
// are drawn in order; without depth testing the order decides what covers what.
#include "bubble_cluster.h"

#include "appkit.h"
#include "gl.h"
#include "color_cycle.h"

void DrawBubbleCluster(void) {
    static const GLfloat shellDiffuse[4] = {0.9f, 0.9f, 1.0f, 0.3f};
    static const GLfloat shellSpecular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    static const GLfloat shellAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    static const GLfloat shellEmission[4] = {0.3f, 0.5f, 0.3f, 1.0f};

    CycleColor(&cyclerA);
    CycleColor(&cyclerB);
    CycleColor(&cyclerC);

    glMaterialfv(GL_FRONT, GL_DIFFUSE, shellDiffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, shellSpecular);
    glMaterialfv(GL_FRONT, GL_AMBIENT, shellAmbient);
    glMateriali(GL_FRONT, GL_SHININESS, 10);
    glMaterialfv(GL_FRONT, GL_EMISSION, shellEmission);
    glPushMatrix();
    AppSolidSphere(0.74);

    glMateriali(GL_FRONT_AND_BACK, GL_SHININESS, 100);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, cyclerA.color);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, cyclerA.glow);
    glTranslatef(0.0f, 0.4f, 0.0f);
    AppSolidSphere(0.3);

    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, cyclerB.color);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, cyclerB.glow);
    glTranslatef(0.3f, -0.6f, 0.0f);
    AppSolidSphere(0.22);

    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, cyclerC.color);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, cyclerC.glow);
    glTranslatef(-0.5f, 0.0f, 0.0f);
    AppSolidSphere(0.38);
    glPopMatrix();
}

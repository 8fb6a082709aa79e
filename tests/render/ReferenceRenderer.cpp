#include "ReferenceRenderer.h"

#include <GL/gl.h>

#include "view/RendererParts.h"

namespace {

void DrawSurfaces(const Triangle* triangles) {
    glBegin(GL_TRIANGLES);
    for (const Triangle* t = triangles; t; t = t->next) {
        Vec3 face;
        const Vec3* normals[3];
        renderer_parts::SurfaceNormals(t, face, normals);
        for (int k = 0; k < 3; ++k) {
            const Vec3& p = t->corner[k]->position;
            glNormal3d(normals[k]->x, normals[k]->y, normals[k]->z);
            glVertex3d(p.x, p.y, p.z);
        }
    }
    glEnd();
}

void DrawEdges(const Triangle* triangles) {
    for (const Triangle* t = triangles; t; t = t->next) {
        glBegin(GL_LINE_LOOP);
        for (const Vertex* v : t->corner) {
            glNormal3d(v->normal.x, v->normal.y, v->normal.z);
            glVertex3d(v->position.x, v->position.y, v->position.z);
        }
        glEnd();
    }
}

void DrawMeshPerVertex(const Triangle* triangles, bool surfaces) {
    if (surfaces)
        DrawSurfaces(triangles);
    else
        DrawEdges(triangles);
}

}  // namespace

void ReferenceRenderScene(const CMainFrame& frame, double devicePixelRatio) {
    renderer_parts::RenderSceneWith(frame, devicePixelRatio, DrawMeshPerVertex);
}

// Laser beams: each beam ends where the model lies across it. The s texture
// coordinate is the distance from the laser's origin, t the place across the
// fan (beam k of 256 spans k/256 to (k+1)/256), which is texel row k of
// "u_depthtex" (see depth.glsl). The beam's colour is the vertex colour.
//
// The beams fade in over their first stretch: near the origin a fan's
// beams are narrower than a pixel and converge, and drawn there at full
// strength they shimmer in moire instead of reading as light.
#version 120
void main() {
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}
//____FRAGMENT_SHADER____
#version 120
uniform sampler2D u_depthtex;
const float kRows = 256.0;
// World units from the origin (the origins stand 100 behind the scene).
const float kFadeInStart = 12.0;
const float kFadeInEnd = 55.0;
void main() {
    float along = gl_TexCoord[0].s;
    float row = clamp(floor(gl_TexCoord[0].t * kRows), 0.0, kRows - 1.0);
    vec4 hit = texture2D(u_depthtex, vec2(0.5, (row + 0.5) / kRows));
    if (hit.a > 0.5 && along > hit.r) discard;
    gl_FragColor = gl_Color * smoothstep(kFadeInStart, kFadeInEnd, along);
}

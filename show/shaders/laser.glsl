// Laser beams, cut off where "u_depthtex" says the model lies.
#version 120
void main() {
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}
//____FRAGMENT_SHADER____
#version 120
uniform sampler2D u_depthtex;
void main() {
    float stop = texture2D(u_depthtex, vec2(0.5, gl_TexCoord[0].y)).r;
    float along = gl_TexCoord[0].x;
    if (along > stop) discard;
    gl_FragColor = gl_Color;
}

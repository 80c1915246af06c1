// Writes the eye-space distance of the model into a float target.
#version 120
varying float v_depth;
void main() {
    vec4 p = gl_ModelViewMatrix * gl_Vertex;
    v_depth = -p.z;
    gl_Position = ftransform();
}
//____FRAGMENT_SHADER____
#version 120
varying float v_depth;
void main() {
    gl_FragColor = vec4(v_depth, v_depth, v_depth, 1.0);
}

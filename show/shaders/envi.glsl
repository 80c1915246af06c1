// Environment-mapped model: sphere-map lookup of "u_envitex" by the
// eye-space reflection.
#version 120
varying vec3 v_normal;
varying vec3 v_position;
void main() {
    v_normal = normalize(gl_NormalMatrix * gl_Normal);
    v_position = vec3(gl_ModelViewMatrix * gl_Vertex);
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}
//____FRAGMENT_SHADER____
#version 120
uniform sampler2D u_envitex;
varying vec3 v_normal;
varying vec3 v_position;
void main() {
    vec3 r = reflect(normalize(v_position), normalize(v_normal));
    float m = 2.0 * sqrt(r.x * r.x + r.y * r.y + (r.z + 1.0) * (r.z + 1.0));
    vec2 uv = r.xy / m + 0.5;
    gl_FragColor = texture2D(u_envitex, uv);
}

// Chrome: the model mirrors "u_envitex" as a sphere map seen from the eye,
// brighter toward its silhouette, with one tight highlight. The current colour
// tints it; the alpha is 1 wherever the model covers the picture.
#version 120
varying vec3 v_normal;
varying vec3 v_position;
void main() {
    v_normal = gl_NormalMatrix * gl_Normal;
    v_position = vec3(gl_ModelViewMatrix * gl_Vertex);
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
}
//____FRAGMENT_SHADER____
#version 120
uniform sampler2D u_envitex;
varying vec3 v_normal;
varying vec3 v_position;
const vec3 kLight = vec3(0.37139, 0.74278, 0.55709);
const float kExposure = 1.3;
const vec3 kAmbient = vec3(0.1, 0.105, 0.12);
void main() {
    vec3 n = normalize(v_normal);
    vec3 view = normalize(v_position);
    vec3 r = reflect(view, n);
    // Sphere-map coordinates of the reflected ray; the floor keeps the one
    // ray that points straight back from dividing by zero.
    float m = max(2.0 * sqrt(r.x * r.x + r.y * r.y + (r.z + 1.0) * (r.z + 1.0)), 1e-4);
    vec3 env = texture2D(u_envitex, r.xy / m + 0.5).rgb;
    float facing = clamp(-dot(view, n), 0.0, 1.0);
    float fresnel = 0.7 + 0.5 * pow(1.0 - facing, 3.0);
    float highlight = pow(max(dot(r, kLight), 0.0), 48.0);
    // A soft box behind the eye, lit like the studio's upper rim: a face
    // turned to the eye mirrors it as a sheen that fades toward the face's
    // turned edges, instead of the dark middle of the studio.
    vec3 softbox = 0.3 * pow(facing, 6.0) * texture2D(u_envitex, vec2(0.5, 0.85)).rgb;
    // Polished metal never mirrors pure black: a little of the room's light
    // lifts the darkest reflections, so the faces keep their shape.
    vec3 chrome = kExposure * env * fresnel + kAmbient + vec3(0.8 * highlight) + softbox;
    gl_FragColor = vec4(chrome * gl_Color.rgb, 1.0);
}
